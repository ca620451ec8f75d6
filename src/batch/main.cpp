// rimvista-batch: frames many pictures from the command line, as the window would one by one.
#include <iostream>

#include "batch/Commands.h"

using namespace rimvista::batch;

int main(int argc, char** argv) {
    const ParsedArguments parsed = parseArguments(argc, argv);
    if (!parsed.ok()) return usageError(parsed.error);
    const BatchOptions& o = parsed.options;
    if (o.help) return showHelp();
    if (o.version) return showVersion();
    if (o.sampleFile) return makeSample(o);
    if (o.listRegistrations) return listRecordings(o);

    auto frames = framesToApply(o);
    if (auto* error = std::get_if<std::string>(&frames)) return usageError(*error);
    auto planned = planRun(o, std::cin);
    if (auto* error = std::get_if<std::string>(&planned)) return usageError(*error);
    const Plan& plan = std::get<Plan>(planned);
    if (o.dryRun) return dryRun(plan, o);
    return frameAll(o, std::move(std::get<FrameSequence>(frames)), plan);
}
