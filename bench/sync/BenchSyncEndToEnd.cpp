// Syncs end to end: the PBX simulator (korvi-pbx-sim, a process of its own as a PBX would be)
// over HTTP on 127.0.0.1, the PBX client, and a vCard address book folder with its store. For
// each phonebook size, each answer delay of the simulator and each number of load connections:
// the first sync into an empty folder, a sync without changes, and a sync after 1% of the PBX
// contacts were amended, each with its wall time, the CPU time of this process and of the
// simulator, this process's peak memory and the machine's load average. Ends with the targets for
// 10,000 contacts.
//
// A first sync is mostly the file system creating files. Before the runs the benchmark times
// the creation of a batch of small files the way the address book writes cards, and prints it:
// on an ext4 without a journal, a file created within a minute or so of many deletions in the
// same area of the disk costs a scan over every inode freed there, and a first sync then takes
// several times as long whatever the program does.
//
//   bench-sync-e2e [--contacts N,...] [--delays MS,...] [--connections C,...] [--repeat R]
//
// With --repeat R every row is the median of R runs, each in a fresh folder and simulator.
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "SimSeed.h"
#include "app/AtomicFile.h"
#include "app/Log.h"
#include "files/ContactFile.h"
#include "pbx/PbxContactMapping.h"
#include "pbx/Tpbx.h"
#include "stores/outlook/Toutlook.h"
#include "stores/outlook/VcfAddressBook.h"
#include "sync/SyncRun.h"

namespace {

using namespace korvi;

constexpr int32_t kExtension = 101;
constexpr int kTargetContacts = 10000;

struct Options {
    std::vector<int> contacts = {10000, 2000};
    std::vector<int> delays = {0, 1};
    std::vector<int> connections = {1, Tpbx::kDefaultConnections};
    int repeat = 1;
};

enum Scenario { kRunFirst, kRunNoChange, kRunAmended, kScenarios };
const char* const kScenarioNames[kScenarios] = {
    "first sync into an empty folder",
    "no changes",
    "1% amended on the PBX",
};

struct Sample {
    double wall = 0;
    double cpu = 0;
    double pbxCpu = 0;
    double peakMb = 0;
    double load = 0;  // the machine's 1-minute load average as the sync started
    bool ok = false;
};

class AutoAnswer final : public Prompt {
public:
    int Ask(const Question& q) override {
        return q.kind == Question::Kind::SimilarContact ? kUsePbx : kOk;
    }
};

double CpuSeconds() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Starts a new peak: the kernel's high-water mark of resident memory falls back to the
// present size.
void ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

// Other programs on the machine slow a sync down; each figure is printed with the load it met.
double LoadAverage() {
    std::ifstream loadavg("/proc/loadavg");
    double load = 0;
    loadavg >> load;
    return load;
}

double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

extern "C" char** environ;

// korvi-pbx-sim, started beside this program and stopped with SIGTERM.
class SimProcess {
public:
    ~SimProcess() { Stop(); }

    bool Start(int contacts, int delayMs) {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        const std::string program = (self.parent_path() / "korvi-pbx-sim").string();
        std::vector<std::string> args = {
            program, "--seed", std::to_string(contacts) + ":" + std::to_string(kExtension),
            "--delay-ms", std::to_string(delayMs)};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const int rc =
            posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (rc != 0) {
            ::close(out[0]);
            m_pid = -1;
            std::fprintf(stderr, "cannot start %s\n", program.c_str());
            return false;
        }
        // "listening on http://127.0.0.1:PORT"
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) != 0) {
            std::fprintf(stderr, "simulator: %s\n", line.c_str());
            return false;
        }
        m_url = line.substr(prefix.size());
        return true;
    }
    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    const std::string& url() const { return m_url; }
    // User and system time the simulator has used so far.
    double CpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos) return 0;
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        double ticks = 0;
        // Fields 14 and 15 (utime, stime); the text after ")" starts at field 3.
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i >= 14) ticks += std::strtod(field.c_str(), nullptr);
        }
        return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

private:
    pid_t m_pid = -1;
    std::string m_url;
};

struct World {
    World(const std::filesystem::path& dir, int delayMs, int connections)
        : pbx(progress),
          store(progress,
                [dir] {
                    return outlook::ConnectVcfAddressBook({.root = dir / "book",
                                                           .backupsRoot = dir / "backups",
                                                           .clock = nullptr,
                                                           .folderIds = {},
                                                           .ownTree = true});
                }),
          files(progress, dir / "data"),
          ctx(ctrl, pbx, files) {
        std::filesystem::create_directories(dir / "data");
        ctrl.SetPrompt(&prompt);
        ctx.selectPartner = [this](Tctrl&, Result&) { return &store; };
        ctx.partnerSlots = PartnerSlots::AddressBook();
        pbx.connections = connections;
        m_delayMs = delayMs;
    }
    bool Start(int seeded) {
        if (!sim.Start(seeded, m_delayMs)) return false;
        m_seeded = seeded;
        pbx.SetConnectionParams(sim.url(), "user", "30", "1234");
        pbx.contactType = kExtension;
        pbx.contactTypeName = "Extension 201";
        return true;
    }
    Sample Sync() {
        StopFlag stop{false};
        const double load = LoadAverage();
        ResetPeakMemory();
        const double cpu0 = CpuSeconds();
        const double pbxCpu0 = sim.CpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        DoSync(ctx, stop);
        Sample s;
        s.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        s.cpu = CpuSeconds() - cpu0;
        s.pbxCpu = sim.CpuSeconds() - pbxCpu0;
        s.peakMb = PeakMemoryMb();
        s.load = load;
        s.ok = ctrl.resultCode() == 0;
        if (!s.ok) {
            std::fprintf(stderr, "sync failed: %s (%d)\n", ctrl.resultText().c_str(),
                         ctrl.resultCode());
        }
        return s;
    }
    // Changes 1% of the PBX contacts (a number each) the way a user at the PBX would. The
    // simulator seeded contact i under id 1000 + i.
    bool AmendOnePercent() {
        for (int i = 0; i < m_seeded; i += 100) {
            auto contact = ContactFromPbx(sim::MakeSeedContact(i, kExtension), false);
            contact->contactId = 1000 + i;
            AddNumber("+49 30 555 " + std::to_string(1000 + i), kMob, *contact);
            if (const Result r = pbx.WriteContact(*contact); !r.ok()) {
                std::fprintf(stderr, "amending: %s\n", r.text.c_str());
                return false;
            }
        }
        return true;
    }

    NullProgress progress;
    SimProcess sim;
    Tpbx pbx;
    Toutlook store;
    TcontactFile files;
    Tctrl ctrl;
    AutoAnswer prompt;
    SyncContext ctx;
    int m_delayMs = 0;
    int m_seeded = 0;
};

std::filesystem::path TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-sync-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

// Seconds per new file: a batch written as the address book writes new cards (a temporary file
// renamed into place, made durable together afterwards). The files stay until the end so that
// removing them does not slow the runs that follow.
double FileCreationSeconds(const std::filesystem::path& dir, int files) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Probe\r\nEND:VCARD\r\n";
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < files; ++i) {
        AtomicFile file(dir / (std::to_string(i) + ".vcf"));
        file.SkipSync();
        if (!file.Open() || !file.Write(card) || !file.Commit()) return 0;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return wall / files;
}

bool ParseList(const char* text, std::vector<int>& out) {
    out.clear();
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        char* end = nullptr;
        const long v = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || v < 0) return false;
        out.push_back(static_cast<int>(v));
    }
    return !out.empty();
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        std::vector<int> list;
        if (!ParseList(value, list)) return false;
        if (name == "--contacts") {
            o.contacts = list;
        } else if (name == "--delays") {
            o.delays = list;
        } else if (name == "--connections") {
            o.connections = list;
        } else if (name == "--repeat" && list.size() == 1 && list[0] >= 1) {
            o.repeat = list[0];
        } else {
            return false;
        }
    }
    return true;
}

struct Key {
    int contacts;
    int delay;
    int connections;
    int scenario;
    auto operator<=>(const Key&) const = default;
};

Sample Median(std::vector<Sample> samples) {
    auto mid = [&](auto field) {
        std::vector<double> v;
        for (const Sample& s : samples) v.push_back(s.*field);
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    Sample m;
    m.wall = mid(&Sample::wall);
    m.cpu = mid(&Sample::cpu);
    m.pbxCpu = mid(&Sample::pbxCpu);
    m.peakMb = mid(&Sample::peakMb);
    m.load = mid(&Sample::load);
    m.ok = std::all_of(samples.begin(), samples.end(), [](const Sample& s) { return s.ok; });
    return m;
}

// One world: the three syncs in order. False when a step could not be prepared.
bool RunWorld(const std::filesystem::path& dir, int contacts, int delay, int connections,
              std::map<Key, std::vector<Sample>>& samples) {
    World w(dir, delay, connections);
    if (!w.Start(contacts)) return false;
    samples[{contacts, delay, connections, kRunFirst}].push_back(w.Sync());
    samples[{contacts, delay, connections, kRunNoChange}].push_back(w.Sync());
    if (!w.AmendOnePercent()) return false;
    samples[{contacts, delay, connections, kRunAmended}].push_back(w.Sync());
    w.sim.Stop();
    return true;
}

void PrintTarget(const std::map<Key, Sample>& rows, const Key& key, const char* what, double limit,
                 int& missed) {
    const auto it = rows.find(key);
    if (it == rows.end()) return;
    const bool met = it->second.ok && it->second.wall < limit;
    if (!met) ++missed;
    std::printf("  %-58s %6.2f s  (target < %.1f s)  %s  (load %.2f)\n", what, it->second.wall,
                limit, met ? "met" : "MISSED", it->second.load);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench-sync-e2e [--contacts N,...] [--delays MS,...] "
                     "[--connections C,...] [--repeat R]\n");
        return 2;
    }
    SetDetailedLogging(false);
    const auto root = TempDir();
    if (root.empty()) return 1;
    SetLogsFolder(root / "logs");
    // The folder ids and settings of the runs stay in the run's folder, not the user's.
    ::setenv("XDG_DATA_HOME", (root / "data-home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "config-home").c_str(), 1);

    std::printf("End-to-end sync: PBX simulator on 127.0.0.1 and a vCard address book folder%s\n",
                options.repeat > 1
                    ? (", median of " + std::to_string(options.repeat) + " runs").c_str()
                    : "");
    constexpr int kProbeFiles = 2000;
    const double perFile = FileCreationSeconds(root / "probe", kProbeFiles);
    std::printf(
        "Creating files in %s now: %.0f us each (%d small files written as cards are), "
        "%.2f s for %d\n",
        root.c_str(), perFile * 1e6, kProbeFiles, perFile * kTargetContacts, kTargetContacts);
    if (perFile * kTargetContacts > 1.0) {
        std::printf(
            "  slow file creation, and a first sync here is bound by it (an ext4 without a "
            "journal, for one, has each new file scan the inodes freed there in the last "
            "minute or so)\n");
    }
    std::map<Key, std::vector<Sample>> samples;
    int rc = 0;
    int world = 0;
    for (const int contacts : options.contacts) {
        for (const int delay : options.delays) {
            for (const int connections : options.connections) {
                for (int r = 0; r < options.repeat; ++r) {
                    // Every world keeps its files until the end: creating thousands of files
                    // right after deleting thousands is slow on some file systems, and that
                    // is not what a user's first sync meets.
                    if (!RunWorld(root / ("w" + std::to_string(world++)), contacts, delay,
                                  connections, samples)) {
                        std::fprintf(stderr, "could not prepare the run\n");
                        return 1;
                    }
                }
            }
        }
    }

    std::map<Key, Sample> rows;
    for (const auto& [key, list] : samples) rows[key] = Median(list);
    int lastContacts = -1;
    double worstPeak = 0;
    for (const auto& [key, s] : rows) {
        if (key.contacts != lastContacts) {
            lastContacts = key.contacts;
            std::printf("\n  %-34s %-10s %4s %10s %10s %8s %10s %5s\n",
                        (std::to_string(key.contacts) + " contacts").c_str(), "answers", "conn",
                        "wall", "korvi cpu", "PBX cpu", "peak mem", "load");
        }
        if (!s.ok) rc = 1;
        if (key.contacts == kTargetContacts) worstPeak = std::max(worstPeak, s.peakMb);
        std::printf("  %-34s %-10s %4d %8.2f s %8.2f s %6.2f s %7.0f MB %5.2f%s\n",
                    kScenarioNames[key.scenario],
                    key.delay == 0 ? "at once" : (std::to_string(key.delay) + " ms").c_str(),
                    key.connections, s.wall, s.cpu, s.pbxCpu, s.peakMb, s.load,
                    s.ok ? "" : "  FAILED");
    }

    const int dflt = Tpbx::kDefaultConnections;
    if (rows.count({kTargetContacts, 1, dflt, kRunNoChange}) ||
        rows.count({kTargetContacts, 0, dflt, kRunNoChange})) {
        int missed = 0;
        std::printf("\nTargets, 10,000 contacts, %d connections:\n", dflt);
        PrintTarget(rows, {kTargetContacts, 1, dflt, kRunNoChange},
                    "no changes, answers after 1 ms", 3.5, missed);
        PrintTarget(rows, {kTargetContacts, 0, dflt, kRunNoChange}, "no changes, answers at once",
                    0.8, missed);
        PrintTarget(rows, {kTargetContacts, 0, dflt, kRunFirst},
                    "first sync into an empty folder, answers at once", 1.5, missed);
        const bool memoryMet = worstPeak > 0 && worstPeak < 150;
        if (!memoryMet) ++missed;
        std::printf("  %-58s %6.0f MB (target < 150 MB) %s\n", "peak memory, any run", worstPeak,
                    memoryMet ? "met" : "MISSED");
        if (const auto one = rows.find({kTargetContacts, 1, 1, kRunNoChange}); one != rows.end()) {
            std::printf("  %-58s %6.2f s  (for comparison)\n",
                        "no changes, answers after 1 ms, one connection", one->second.wall);
        }
        std::printf("  %s\n", missed == 0 ? "all targets met" : "some targets MISSED");
    }

    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
