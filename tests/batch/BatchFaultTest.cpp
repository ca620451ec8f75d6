// Faults a run meets (odd inputs, folders it cannot write, memory it may not take, damaged
// pictures, pipelines and re-runs), each a row: what is set up, the command line, and what the
// user sees.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>

#include "BatchTestSupport.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

const std::string kFrame = "5,5,5,5,0,0,0,0,0";

struct FaultCase {
    const char* name;
    std::function<void(class BatchFaults&)> setUp;
    std::vector<std::string> args;  // after -f kFrame
    int status;
    std::vector<std::string> errHas;        // each somewhere on standard error
    std::vector<std::string> outputs = {};  // files that must exist afterwards
    std::vector<std::string> absent = {};   // files that must not
    std::vector<std::string> env = {};
    std::string input = {};
    bool needsNonRoot = false;  // permissions do not stop root
};

class BatchFaults : public BatchTest {
public:
    using BatchTest::bytes;
    using BatchTest::path;
    using BatchTest::writeBmp;
    using BatchTest::writeJpeg;
    using BatchTest::writeText;
};

std::string cutEnd(const std::string& bytes, std::size_t n) {
    return bytes.substr(0, bytes.size() - n);
}

const FaultCase kCases[] = {
    {"a FIFO named is reported and skipped, without waiting for a writer",
     [](BatchFaults& t) {
         t.writeBmp("fifo-ok.bmp", 20, 20);
         ::mkfifo(t.path("pipe.bmp").c_str(), 0600);
     },
     {"pipe.bmp", "fifo-ok.bmp", "-o", "fifo-out/"},
     1,
     {"pipe.bmp: "},
     {"fifo-out/fifo-ok.bmp"}},
    {"a FIFO named in a dry run too",
     [](BatchFaults& t) { ::mkfifo(t.path("dry.bmp").c_str(), 0600); },
     {"-n", "dry.bmp"},
     1,
     {"dry.bmp: "}},
    {"a device and a socket are reported and skipped",
     [](BatchFaults& t) {
         t.writeBmp("dev-ok.bmp", 20, 20);
         const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::snprintf(address.sun_path, sizeof address.sun_path, "%s",
                       t.path("socket.bmp").c_str());
         ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
         ::close(s);
     },
     {"/dev/zero", "socket.bmp", "dev-ok.bmp", "-o", "dev-out/"},
     1,
     {"/dev/zero: ", "socket.bmp: "},
     {"dev-out/dev-ok.bmp"}},
    {"an output folder that cannot be written fails its pictures before they are read",
     [](BatchFaults& t) {
         t.writeBmp("ro-in.bmp", 20, 20);
         fs::create_directory(t.path("ro"));
         ::chmod(t.path("ro").c_str(), 0555);
     },
     {"ro-in.bmp", "-o", "ro/"},
     1,
     {"ro-in.bmp: cannot write ro/ro-in.bmp", "Permission denied"},
     {},
     {},
     {},
     {},
     true},
    {"--memory refuses a picture that no way of framing fits, naming its need and the cap",
     [](BatchFaults& t) { t.writeBmp("cap.bmp", 3000, 2000); },
     {"cap.bmp", "--memory", "5", "-o", "cap-out/", "--format", "jpg"},
     1,
     {"cap.bmp: 3000 x 2000 needs ", "more than --memory 5"},
     {},
     {"cap-out/cap.jpg"},
     {"RIMVISTA_BATCH_WHOLE=1"}},
    {"the same picture streams within the cap",
     [](BatchFaults& t) { t.writeBmp("capped.bmp", 3000, 2000); },
     {"capped.bmp", "--memory", "5", "-o", "capped-out/"},
     0,
     {},
     {"capped-out/capped.bmp"}},
    {"a JPEG with coded data the decoder could not use fails",
     [](BatchFaults& t) {
         t.writeJpeg("damaged.jpg", 64, 48);
         std::string b = t.bytes("damaged.jpg");
         b.insert(b.size() - b.size() / 4, std::string(40, 'Z'));
         t.writeText("damaged.jpg", b);
     },
     {"damaged.jpg", "-o", "damaged-out/"},
     1,
     {"damaged.jpg: cannot be read: damaged JPEG data"},
     {},
     {"damaged-out/damaged.jpg"}},
    {"a JPEG missing only its end marker is framed",
     [](BatchFaults& t) {
         t.writeJpeg("noend.jpg", 64, 48);
         t.writeText("noend.jpg", cutEnd(t.bytes("noend.jpg"), 2));
     },
     {"noend.jpg", "-o", "noend-out/"},
     0,
     {},
     {"noend-out/noend.jpg"}},
    {"a re-run beside the pictures passes over the earlier results and finishes the rest",
     [](BatchFaults& t) {
         t.writeBmp("re-a.bmp", 20, 20);
         t.writeBmp("re-a-framed.bmp", 20, 20);
         t.writeBmp("re-b.bmp", 20, 20);
     },
     {"re-a.bmp", "re-a-framed.bmp", "re-b.bmp", "--skip-existing"},
     0,
     {"re-a-framed.bmp: the result of re-a.bmp, passed over"},
     {"re-b-framed.bmp"},
     {"re-a-framed-framed.bmp"}},
};

TEST_F(BatchFaults, EachFaultIsReportedAndTheRestFramed) {
    for (const FaultCase& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.needsNonRoot && ::geteuid() == 0) {
            std::printf("skipped as root (permissions do not stop root): %s\n", c.name);
            continue;
        }
        c.setUp(*this);
        std::vector<std::string> args = {"-f", kFrame};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const BatchRun run = batch(args, c.env, c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        for (const std::string& text : c.errHas)
            EXPECT_NE(run.err.find(text), std::string::npos) << text << "\n" << run.err;
        for (const std::string& file : c.outputs) EXPECT_TRUE(fs::exists(path(file))) << file;
        for (const std::string& file : c.absent) EXPECT_FALSE(fs::exists(path(file))) << file;
    }
}

}  // namespace
}  // namespace rimvista::test
