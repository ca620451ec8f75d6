// Faults a run meets (odd inputs, folders it cannot write, memory it may not take, damaged
// pictures, pipelines and re-runs), each a row: what is set up, the command line, and what the
// user sees.
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "BatchTestSupport.h"

namespace rimvista::test {
namespace {

namespace fs = std::filesystem;

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
    bool needsNonRoot = false;                     // permissions do not stop root
    std::function<void(BatchFaults&)> check = {};  // anything more to look at afterwards
    std::string shellLimit = {};                   // a ulimit command the program is run under
};

class BatchFaults : public BatchTest {
public:
    using BatchTest::batch;
    using BatchTest::bytes;
    using BatchTest::listing;
    using BatchTest::load;
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
    {"the same picture streams within the cap, to a file and to standard output alike",
     [](BatchFaults& t) { t.writeBmp("capped.bmp", 3000, 2000); },
     {"capped.bmp", "--memory", "5", "-o", "capped-out/"},
     0,
     {},
     {"capped-out/capped.bmp"},
     {},
     {},
     {},
     false,
     [](BatchFaults& t) {
         const BatchRun piped =
             t.batch({"-q", "-f", kFrame, "capped.bmp", "--memory", "5", "-o", "-"});
         EXPECT_EQ(piped.status, 0) << piped.err;
         EXPECT_TRUE(piped.out == t.bytes("capped-out/capped.bmp"));
     }},
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
    {"a folder that cannot be made for a result is reported with its own reason",
     [](BatchFaults& t) {
         t.writeBmp("mk-in.bmp", 20, 20);
         t.writeText("mk-file", "a file where a folder would go");
     },
     {"mk-in.bmp", "-o", "mk-file/sub/"},
     1,
     {"mk-file/sub/", "Not a directory"}},
    {"the same file named twice is told as such",
     [](BatchFaults& t) { t.writeBmp("twice.bmp", 20, 20); },
     {"twice.bmp", "./twice.bmp", "-o", "twice-out/"},
     2,
     {"twice.bmp is named twice (also as ./twice.bmp)"}},
    {"a file that cannot be read is counted apart from one that is no picture",
     [](BatchFaults& t) {
         t.writeBmp("count-ok.bmp", 20, 20);
         t.writeText("notes.txt", "not a picture");
         fs::create_symlink("loop-b.bmp", t.path("loop-a.bmp"));
         fs::create_symlink("loop-a.bmp", t.path("loop-b.bmp"));
     },
     {"count-ok.bmp", "notes.txt", "loop-a.bmp", "-o", "count-out/"},
     1,
     {"1 succeeded, 0 failed, 1 skipped (not pictures), 1 skipped (cannot be read)\n"}},
    {"-q says nothing when all went well, and short flags combine",
     [](BatchFaults& t) { t.writeBmp("quiet.bmp", 20, 20); },
     {"-qj1", "quiet.bmp", "-o", "quiet-out/"},
     0,
     {},
     {"quiet-out/quiet.bmp"}},
    {"-qn: a quiet dry run",
     [](BatchFaults& t) { t.writeBmp("qn.bmp", 20, 20); },
     {"-qn", "qn.bmp", "-o", "qn-out/"},
     0,
     {},
     {},
     {"qn-out/qn.bmp"}},
    {"the relief by name: convex, concave, 凸 and 凹 mean 0 and 1",
     [](BatchFaults& t) { t.writeBmp("relief.bmp", 40, 40); },
     {"relief.bmp", "-f", "5,5,5,5,0,0,0,0,CONCAVE", "-f", "3,3,3,3,0,0,0,0,凸", "-o", "byname/"},
     0,
     {},
     {"byname/relief.bmp"},
     {},
     {},
     {},
     false,
     [](BatchFaults& t) {
         const BatchRun numbers = t.batch({"-q", "-f", kFrame, "-f", "5,5,5,5,0,0,0,0,1", "-f",
                                           "3,3,3,3,0,0,0,0,0", "relief.bmp", "-o", "bynumber/"});
         EXPECT_EQ(numbers.status, 0) << numbers.err;
         EXPECT_EQ(t.bytes("byname/relief.bmp"), t.bytes("bynumber/relief.bmp"));
         const BatchRun wrong = t.batch({"-f", "5,5,5,5,0,0,0,0,flat", "relief.bmp"});
         EXPECT_EQ(wrong.status, 2);
         EXPECT_NE(wrong.err.find("KIND must be 0 or convex, 1 or concave"), std::string::npos)
             << wrong.err;
     }},
    {"-0 reads NUL-separated names, as find -print0 writes them",
     [](BatchFaults& t) {
         t.writeBmp("nul a.bmp", 20, 20, 1);
         t.writeBmp("nul-b.bmp", 30, 30, 2);
     },
     {"--files-from", "-", "-0", "-o", "nul-out/"},
     0,
     {},
     {"nul-out/nul a.bmp", "nul-out/nul-b.bmp"},
     {},
     {},
     std::string("nul a.bmp\0nul-b.bmp\0", 21),
     false,
     [](BatchFaults& t) {
         const PixelSurface b = t.load("nul-out/nul-b.bmp");
         EXPECT_EQ(b.width(), 30);  // each name its own picture, none written under another's
     }},
    {"without -0 a line holding a NUL byte is a usage error",
     nullptr,
     {"--files-from", "-", "-o", "nul2-out/"},
     2,
     {"line 1 of the list of pictures holds a NUL byte"},
     {},
     {"nul2-out"},
     {},
     std::string("nul a.bmp\0nul-b.bmp\0", 21)},
    {"a byte-order mark before the first name is ignored",
     [](BatchFaults& t) { t.writeBmp("bom.bmp", 20, 20); },
     {"--files-from", "-", "-o", "bom-out/"},
     0,
     {},
     {"bom-out/bom.bmp"},
     {},
     {},
     "\xEF\xBB\xBF"
     "bom.bmp\r\n"},
    {"-R reports a link to a folder and leaves it; -L follows it and leaves a loop",
     [](BatchFaults& t) {
         fs::create_directories(t.path("tree/real"));
         t.writeBmp("tree/real/in.bmp", 20, 20);
         fs::create_directory_symlink("real", t.path("tree/link"));
         fs::create_directory_symlink("..", t.path("tree/real/up"));
     },
     {"-R", "tree", "-o", "tree-out/"},
     0,
     {"tree/link: a link to a folder, not followed (-L follows it)"},
     {"tree-out/real/in.bmp"},
     {"tree-out/link"},
     {},
     {},
     false,
     [](BatchFaults& t) {
         const BatchRun followed =
             t.batch({"-f", kFrame, "-R", "-L", "tree", "-o", "followed-out/"});
         EXPECT_EQ(followed.status, 0) << followed.err;
         EXPECT_NE(followed.err.find("a link to a folder already walked (a loop)"),
                   std::string::npos)
             << followed.err;
         EXPECT_TRUE(fs::exists(t.path("followed-out/real/in.bmp")));
     }},
    {"--shard splits a tree alike however its folder is spelled",
     [](BatchFaults& t) {
         fs::create_directories(t.path("shard/pics"));
         for (int i = 0; i < 12; ++i)
             t.writeBmp("shard/pics/s" + std::to_string(i) + ".bmp", 12, 12);
     },
     {"-n", "-R", "shard/pics", "--shard", "1/3"},
     0,
     {},
     {},
     {},
     {},
     {},
     false,
     [](BatchFaults& t) {
         const auto part = [&](const std::string& folder) {
             const BatchRun run = t.batch({"-f", kFrame, "-n", "-R", folder, "--shard", "1/3"});
             std::vector<std::string> names;
             std::istringstream lines(run.out);
             for (std::string line; std::getline(lines, line);)
                 names.push_back(fs::path(line.substr(0, line.find(" -> "))).filename().string());
             return names;
         };
         const auto plain = part("shard/pics");
         EXPECT_FALSE(plain.empty());
         EXPECT_EQ(part("./shard/../shard/pics"), plain);
         EXPECT_EQ(part((t.path("shard/pics")).string()), plain);
     }},
    {"when threads cannot be started the run goes on with those that could",
     [](BatchFaults& t) {
         for (const char* name : {"th1.bmp", "th2.bmp", "th3.bmp", "th4.bmp"})
             t.writeBmp(name, 40, 30);
     },
     {"-j", "8", "th1.bmp", "th2.bmp", "th3.bmp", "th4.bmp", "-o", "threads-out/"},
     0,
     {"workers could be started; going on with them"},
     {"threads-out/th1.bmp", "threads-out/th4.bmp"},
     {},
     {},
     {},
     true,  // root is not held to the process limit
     {},
     "ulimit -u 2"},
    {"past a file size limit the picture fails like one on a full disk, leaving nothing",
     [](BatchFaults& t) {
         t.writeBmp("fsize.bmp", 300, 300);
         t.writeBmp("fsize-small.bmp", 20, 20);
     },
     {"fsize.bmp", "fsize-small.bmp", "-o", "fsize-out/"},
     1,
     {"fsize.bmp: cannot write fsize-out/fsize.bmp", "File too large"},
     {"fsize-out/fsize-small.bmp"},
     {"fsize-out/fsize.bmp"},
     {},
     {},
     false,
     [](BatchFaults& t) { EXPECT_EQ(t.listing("fsize-out").size(), 1u); },
     "ulimit -f 100"},
    {"-o - into a reader that stops early leaves nothing in the temporary folder",
     [](BatchFaults& t) {
         t.writeBmp("pipe-in.bmp", 300, 300);
         fs::create_directory(t.path("tmpd"));
     },
     {"-n", "pipe-in.bmp"},
     0,
     {},
     {},
     {},
     {},
     {},
     false,
     [](BatchFaults& t) {
         for (const char* named : {"0", "1"}) {
             const BatchRun piped =
                 runProgram("/bin/bash",
                            {"-c",
                             "\"$0\" -f " + kFrame +
                                 " -o - pipe-in.bmp | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}",
                             RIMVISTA_BATCH_EXE},
                            t.path("."),
                            {"TMPDIR=" + t.path("tmpd").string(),
                             std::string("RIMVISTA_NAMED_TEMPORARIES=") + named});
             EXPECT_EQ(piped.out, "141\n") << piped.err;
             EXPECT_TRUE(t.listing("tmpd").empty()) << named;
         }
     }},
    {"a JPEG whose kept comments pass the file size limit fails while its head is written",
     [](BatchFaults& t) {
         t.writeJpeg("notes.jpg", 64, 48);
         std::string b = t.bytes("notes.jpg");
         const std::string comment = std::string("\xFF\xFE\xEA\x62", 4) + std::string(60000, 'c');
         for (int i = 0; i < 5; ++i) b.insert(2, comment);
         t.writeText("notes.jpg", b);
     },
     {"notes.jpg", "-o", "notes-out/"},
     1,
     {"notes.jpg: cannot write notes-out/notes.jpg", "File too large"},
     {},
     {"notes-out/notes.jpg"},
     {},
     {},
     false,
     {},
     "ulimit -f 100"},
    {"a name near the longest a file may have still has room for its temporary",
     [](BatchFaults& t) { t.writeBmp(std::string(240, 'x') + ".bmp", 20, 20); },
     {std::string(240, 'x') + ".bmp", "-o", "long-out/"},
     0,
     {},
     {"long-out/" + std::string(240, 'x') + ".bmp"},
     {},
     {"RIMVISTA_NAMED_TEMPORARIES=1"}},
};

TEST_F(BatchFaults, EachFaultIsReportedAndTheRestFramed) {
    for (const FaultCase& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.needsNonRoot && ::geteuid() == 0) {
            std::printf("skipped as root (permissions do not stop root): %s\n", c.name);
            continue;
        }
        if (c.setUp) c.setUp(*this);
        std::vector<std::string> args = {"-f", kFrame};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (!c.shellLimit.empty()) {
            args.insert(args.begin(),
                        {"-c", c.shellLimit + "; exec \"$0\" \"$@\"", RIMVISTA_BATCH_EXE});
        }
        const BatchRun run = c.shellLimit.empty()
                                 ? batch(args, c.env, c.input)
                                 : runProgram("/bin/bash", args, m_dir, c.env, c.input);
        EXPECT_EQ(run.status, c.status) << run.err;
        // Under the sanitizers a leak on a failure path keeps the status it failed with.
        EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
        for (const std::string& text : c.errHas)
            EXPECT_NE(run.err.find(text), std::string::npos) << text << "\n" << run.err;
        for (const std::string& file : c.outputs) EXPECT_TRUE(fs::exists(path(file))) << file;
        for (const std::string& file : c.absent) EXPECT_FALSE(fs::exists(path(file))) << file;
        const bool quiet = std::any_of(c.args.begin(), c.args.end(),
                                       [](const std::string& a) { return a.rfind("-q", 0) == 0; });
        if (quiet && c.errHas.empty()) {
            EXPECT_EQ(run.err, "");
        }
        if (c.check) c.check(*this);
    }
}

// A full disk, with either kind of temporary: the picture that does not fit fails with the
// system's reason and leaves nothing, and the space it took is there for the next picture.
TEST_F(BatchFaults, AFullDiskFailsOnlyThePictureThatDoesNotFit) {
    writeBmp("huge.bmp", 400, 400);
    writeBmp("small.bmp", 20, 20);
    for (const std::string named : {"0", "1"}) {
        const fs::path disk = path("disk" + named);
        fs::create_directory(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
            GTEST_SKIP() << "needs a tmpfs mount (root)";
        const BatchRun run =
            batch({"-j", "1", "-f", kFrame, "huge.bmp", "small.bmp", "-o", "disk" + named + "/"},
                  {"RIMVISTA_NAMED_TEMPORARIES=" + named});
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find("huge.bmp: cannot write disk" + named + "/huge.bmp"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
        EXPECT_EQ(listing("disk" + named), std::vector<std::string>{"small.bmp"}) << named;
        ::umount(disk.c_str());
    }
}

}  // namespace
}  // namespace rimvista::test
