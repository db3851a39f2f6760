// ortenctl against every fault of the simulated device: one run per cell,
// each command with each --sim-fault. Expectations come from the shared
// rules (tests/support/FaultRules) and the table of commands below: exit
// code, the messages on stderr and their order, the simulated device's
// memory (its state file), the files the command writes, and the pauses and
// failed reads in its trace.
//
// Usage: cli_fault_matrix PATH/TO/ortenctl [--through RUNNER]
// With --through, each cell's device is a real one for the program: RUNNER
// VERSION STATE FAULT ortenctl ARGS... plugs a simulated device with that
// fault and state file in (tests/wine/matrix_cell.sh: through the test
// driver under wine), runs the program and pulls the device out again. The
// faults are then those such a device can show.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ops/JournalRecord.h"
#include "tests/support/FaultRules.h"
#include "transport/DiscoveryAdvice.h"

namespace fs = std::filesystem;
using namespace orten::test;

namespace {

constexpr int kFirmwareBlocks = 20;
constexpr std::uint64_t kFirmwareSize = 10 + 64 * kFirmwareBlocks;
constexpr int kOldVersion = 120;
constexpr int kNewVersion = 130;

// The relay settings file to write, and the factory settings the device
// holds before: both as the window keeps them, so nothing is normalized.
const std::vector<int> kFactory = {5, 5, 5, 5, 5,   5, 5, 5,   6, 6, 6,   6,  6, 6, 6,
                                   6, 0, 0, 0, 0,   0, 7, 0,   3, 0, 0,   0,  3, 3, 0,
                                   0, 0, 4, 0, 255, 0, 0, 255, 0, 0, 255, 24, 7, 7, 4};
std::vector<int> WrittenSettings() {
  std::vector<int> x = kFactory;
  for (auto [e, v] : std::map<int, int>{
           {0, 7}, {15, 1}, {16, 2}, {32, 1}, {33, 20}, {34, 1}, {35, 108}, {42, 6}, {44, 1}})
    x[static_cast<std::size_t>(e)] = v;
  return x;
}

struct Command {
  const char* name;
  int version;  // of the simulated device
  std::vector<std::string> args;
  std::vector<PhaseSpan> phases;  // as they go on the wire when all is well
  int pausesMs;
  int longestWaitMs;
  std::string failureLine;  // what the command adds when its exchange fails
  std::string successOut;   // a line stdout must hold on success
  bool disconnectsAfterFailure;
  const char* journaled;  // the operation its journal record names; null: it records none
  // With --verify: the check's journal operation after a write that went
  // through, and what it says when the area is not read back.
  const char* checked = nullptr;
  std::string notReadBack;
};

// The read-back of --verify after a write: its request and the frame.
std::vector<PhaseSpan> ReadBack(std::uint64_t payload) {
  return {Packet(Phase::ReadRequest), FrameIn(payload)};
}

std::vector<PhaseSpan> Join(std::vector<PhaseSpan> a, const std::vector<PhaseSpan>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<Command> Commands(const fs::path& work) {
  const PhaseSpan disconnect = Packet(Phase::DisconnectCommand);
  const std::string out = (work / "out").string();
  return {
      {"info",
       45,
       {"info"},
       Join(ConnectPhases(), {disconnect}),
       0,
       2000,
       "",
       "Байт версии: 45",
       false,
       nullptr},
      {"settings read",
       45,
       {"settings", "read", "-o", out},
       Join(ConnectPhases(), {Packet(Phase::ReadRequest), FrameIn(256), disconnect}),
       10,
       2000,
       "Ошибка: настройки реле не считаны из прибора.",
       "Файл: " + out,
       true,
       "read-settings"},
      {"settings write",
       45,
       {"settings", "write", (work / "X.cfg").string()},
       Join(ConnectPhases(),
            {Packet(Phase::WriteRequest), FrameOut(256), Packet(Phase::WriteAnswer), disconnect}),
       80,
       10000,
       "Ошибка: настройки реле не загружены в прибор.",
       "Настройки реле загружены успешно",
       true,
       "write-settings"},
      {"settings write --verify",
       45,
       {"settings", "write", (work / "X.cfg").string(), "--verify"},
       Join(Join(ConnectPhases(),
                 {Packet(Phase::WriteRequest), FrameOut(256), Packet(Phase::WriteAnswer)}),
            Join(ReadBack(256), {disconnect})),
       80 + 10,
       10000,
       "Ошибка: настройки реле не загружены в прибор.",
       "Настройки реле загружены успешно",
       true,
       "write-settings",
       "verify-settings",
       "Ошибка: настройки реле не считаны из прибора."},
      {"backup read",
       kOldVersion,
       {"backup", "read", "-o", out},
       Join(ConnectPhases(), {Packet(Phase::ReadRequest), FrameIn(1792), disconnect}),
       10,
       2000,
       "Ошибка: резервная копия не считана из прибора.",
       "Файл: " + out,
       true,
       "read-backup"},
      {"backup write",
       kOldVersion,
       {"backup", "write", (work / "B.rrg").string()},
       Join(ConnectPhases(),
            {Packet(Phase::WriteRequest), FrameOut(1792), Packet(Phase::WriteAnswer), disconnect}),
       380,
       10000,
       "Ошибка: резервная копия не загружена в прибор.",
       "Резервная копия загружена успешно",
       true,
       "write-backup"},
      {"backup write --verify",
       kOldVersion,
       {"backup", "write", (work / "B.rrg").string(), "--verify"},
       Join(Join(ConnectPhases(),
                 {Packet(Phase::WriteRequest), FrameOut(1792), Packet(Phase::WriteAnswer)}),
            Join(ReadBack(1792), {disconnect})),
       380 + 10,
       10000,
       "Ошибка: резервная копия не загружена в прибор.",
       "Резервная копия загружена успешно",
       true,
       "write-backup",
       "verify-backup",
       "Ошибка: резервная копия не считана из прибора."},
      {"firmware write",
       kOldVersion,
       {"firmware", "write", "RPU_130", "--yes"},
       Join(ConnectPhases(), {Image(kFirmwareSize), Packet(Phase::Verdict)}),
       (kFirmwareBlocks / 4) * 10 + 10 + 25,
       60000,
       "",
       "Прибор: ",
       false,
       "write-firmware"},
  };
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Put(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ValueLines(const std::vector<int>& values) {
  std::string text;
  for (int v : values) text += std::to_string(v) + "\r\n";
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The device's memory: registration pages 0-6, then the relay settings page.
std::vector<int> InitialMemory() {
  std::vector<int> memory(8 * 256, 0xEE);
  for (std::size_t i = 0; i < 1792; ++i) memory[i] = static_cast<int>((i * 3 + 1) % 256);
  std::copy(kFactory.begin(), kFactory.end(), memory.begin() + 1792);
  return memory;
}

const std::vector<int> kBackup = [] {
  std::vector<int> v(1792);
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int>((i * 11 + 2) % 256);
  return v;
}();

// The state file as the simulation keeps it: a version line, 8 pages in hex.
std::string StateText(int version, const std::vector<int>& memory) {
  std::string text = "orten-sim-state 1\nversion " + std::to_string(version) + "\n";
  for (std::size_t page = 0; page < 8; ++page) {
    text += "page" + std::to_string(page) + " ";
    for (std::size_t i = 0; i < 256; ++i) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", memory[page * 256 + i]);
      text += hex;
    }
    text += "\n";
  }
  return text;
}

// Every file of the data folder but the journal, which grows by design.
std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename() != "journal.csv") {
      files[entry.path().string()] = Slurp(entry.path());
    }
  }
  return files;
}

class Cell {
 public:
  Cell(std::string name) : name_(std::move(name)) {}
  void Check(bool ok, const std::string& what) {
    if (ok) return;
    failed_ = true;
    std::cout << "FAIL " << name_ << ": " << what << '\n';
  }
  bool Passed() const { return !failed_; }

 private:
  std::string name_;
  bool failed_ = false;
};

// The lines ortenctl prints for one box: the window's caption is left out,
// others lead, with "(ошибка)" for the error icon (every box here has it).
std::vector<std::string> BoxLines(const Box& box) {
  const bool app = box.caption == "Программа настройки РПУ Ортен-ДЕЗ";
  std::vector<std::string> lines = Lines(box.text);
  if (!app) lines.front() = box.caption + " (ошибка): " + lines.front();
  return lines;
}

// Runs ortenctl on the cell's fault, on the simulation or through a runner;
// its exit code.
int RunTool(const std::string& ctl, const std::string& runner, const fs::path& work,
            const Command& cmd, const FaultCase& fault) {
  std::string line;
  if (runner.empty()) {
    line = "'" + ctl + "' --sim-state '" + (work / "state").string() + "' --sim-skip-waits";
    if (fault.kind != FaultKind::None) line += " --sim-fault " + fault.Name();
  } else {
    line = "'" + runner + "' " + std::to_string(cmd.version) + " '" + (work / "state").string() +
           "' " + fault.Name() + " '" + ctl + "'";
  }
  line += " --data-dir '" + (work / "data").string() + "' --trace '" + (work / "trace").string() +
          "'";
  for (const std::string& arg : cmd.args) line += " '" + arg + "'";
  line +=
      " >'" + (work / "stdout").string() + "' 2>'" + (work / "stderr").string() + "' </dev/null";
  const int status = std::system(line.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// At most one "Error" line, then the operation's own words and the
// command's; the question --yes answers is not one of them.
// Whether the command's check finds a value the device kept otherwise (the
// matrix's corrupt@K land on values it compares).
bool CheckFinds(const Command& cmd, const FaultCase& fault) {
  return cmd.checked && KeptOtherwise(cmd.phases, fault).has_value();
}

void CheckMessages(const fs::path& work, const Command& cmd, const std::optional<Phase>& bitten,
                   const FaultCase& fault, bool windowsLine, Cell& cell) {
  std::vector<std::string> said;
  for (const std::string& l : Lines(Slurp(work / "stderr"))) {
    if (l.rfind("Системное сообщение: Записать прошивку", 0) != 0) said.push_back(l);
  }
  std::vector<std::string> want;
  const bool errorFirst = bitten && ShowsTransportError(fault, *bitten);
  if (!bitten) {
    if (cmd.name == std::string("firmware write")) want.push_back("Прошивка загружена успешно");
    if (CheckFinds(cmd, fault)) want.push_back("Проверка не пройдена: различается 1 значение.");
  } else {
    if (errorFirst) want.push_back("Error (ошибка): ");
    for (const Box& box : FailureOf(*bitten, fault).boxes) {
      for (const std::string& l : BoxLines(box)) want.push_back(l);
    }
    // Windows' own line after an empty one: where to look for the driver.
    if (windowsLine && fault.kind == FaultKind::NoDevice && *bitten == Phase::Discovery) {
      want.push_back(orten::kDriverAdvice);
    }
    const bool inExchange = *bitten == Phase::ReadRequest || *bitten == Phase::FrameIn ||
                            *bitten == Phase::WriteRequest || *bitten == Phase::FrameOut ||
                            *bitten == Phase::WriteAnswer;
    const bool readingBack =
        cmd.checked && (*bitten == Phase::ReadRequest || *bitten == Phase::FrameIn);
    if (inExchange && !cmd.failureLine.empty())
      want.push_back(readingBack ? cmd.notReadBack : cmd.failureLine);
  }
  bool same = said.size() == want.size();
  for (std::size_t i = 0; same && i < said.size(); ++i) {
    same = errorFirst && i == 0 ? said[i].rfind(want[i], 0) == 0 && said[i].size() > want[i].size()
                                : said[i] == want[i];
  }
  std::string text;
  for (const std::string& l : said) text += l + " | ";
  cell.Check(same, "stderr: " + text);
  const std::string out = Slurp(work / "stdout");
  if (!bitten) cell.Check(out.find(cmd.successOut) != std::string::npos, "stdout: " + out);
}

// The device keeps what it did not take; the output file changes only when
// the command succeeds.
void CheckData(const fs::path& work, const Command& cmd, const std::optional<Phase>& bitten,
               const FaultCase& fault, Cell& cell) {
  const std::vector<int> memory = InitialMemory();
  std::vector<int> wantMemory = memory;
  int wantVersion = cmd.version;
  const std::string name = cmd.name;
  const std::optional<std::uint64_t> otherwise = KeptOtherwise(cmd.phases, fault);
  if (DeviceTookTheData(cmd.phases, bitten, fault)) {
    if (name.starts_with("settings write")) {
      std::fill(wantMemory.begin() + 1792, wantMemory.end(), 0);
      const std::vector<int> x = WrittenSettings();
      std::copy(x.begin(), x.end(), wantMemory.begin() + 1792);
      if (otherwise) wantMemory[1792 + *otherwise] ^= 1;
    }
    if (name.starts_with("backup write")) {
      std::copy(kBackup.begin(), kBackup.end(), wantMemory.begin());
      if (otherwise) wantMemory[*otherwise] ^= 1;
    }
    if (name == "firmware write") wantVersion = otherwise ? kNewVersion ^ 1 : kNewVersion;
  }
  cell.Check(Slurp(work / "state") == StateText(wantVersion, wantMemory), "device state changed");
  std::string wantOut = "old\r\n";
  if (!bitten && cmd.name == std::string("settings read")) wantOut = ValueLines(kFactory);
  if (!bitten && cmd.name == std::string("backup read"))
    wantOut = ValueLines({memory.begin(), memory.begin() + 1792});
  cell.Check(Slurp(work / "out") == wantOut, "output file");
}

// Bounded: the command's own pauses, and no more than one read given up
// (an exchange stops at its first failed transfer).
void CheckTrace(const fs::path& work, const Command& cmd, Cell& cell) {
  int pausedMs = 0;
  int failedReads = 0;
  int failedTransfers = 0;
  for (const std::string& l : Lines(Slurp(work / "trace"))) {
    if (l.rfind("P ", 0) == 0) pausedMs += std::atoi(l.c_str() + 2);
    const bool failed = l.size() > 2 && l.compare(l.size() - 2, 2, " !") == 0;
    failedTransfers += failed;
    failedReads += failed && l[0] == 'R';
  }
  cell.Check(failedTransfers <= 1, std::to_string(failedTransfers) + " failed transfers");
  cell.Check(
      pausedMs + failedReads * cmd.longestWaitMs <= cmd.pausesMs + cmd.longestWaitMs,
      std::to_string(pausedMs) + " ms paused, " + std::to_string(failedReads) + " reads given up");
}

// The journal stays whole through every fault, and gains the operation's
// record once the device was reached: done only where the operation was.
void CheckJournal(const fs::path& work, const Command& cmd, const std::optional<Phase>& bitten,
                  const FaultCase& fault, std::size_t recordedBefore, Cell& cell) {
  const orten::JournalText journal = orten::ParseJournal(Slurp(work / "data" / "journal.csv"));
  cell.Check(journal.skippedLines.empty(), "journal holds a line that is no record");
  JournalGain want = cmd.journaled ? JournalGainOf(bitten) : JournalGain{};
  // A write that went through is checked: the check's record follows, done
  // only when the device holds what was written.
  const bool checked = cmd.checked && want.records == 1 &&
                       (!bitten || *bitten == Phase::ReadRequest || *bitten == Phase::FrameIn ||
                        *bitten == Phase::DisconnectCommand);
  if (checked) want = {2, want.done && !CheckFinds(cmd, fault)};
  const std::size_t gained = journal.records.size() - recordedBefore;
  cell.Check(gained == want.records, std::to_string(gained) + " journal records");
  if (gained != want.records || want.records == 0) return;
  const orten::JournalRecord& r = journal.records.back();
  cell.Check(r.operation == (checked ? cmd.checked : cmd.journaled) && r.program == "ortenctl",
             "journal: " + r.operation);
  cell.Check((r.outcome == "done") == want.done, "journal outcome " + r.outcome);
  cell.Check(!r.message.empty(), "journal record without a message");
}

void RunCell(const std::string& ctl, const std::string& runner, const fs::path& work,
             const Command& cmd, const FaultCase& fault, Cell& cell) {
  Put(work / "state", StateText(cmd.version, InitialMemory()));
  Put(work / "out", "old\r\n");
  fs::remove(work / "trace");
  const auto files = Files(work / "data");
  const std::size_t recorded =
      orten::ParseJournal(Slurp(work / "data" / "journal.csv")).records.size();
  const int rc = RunTool(ctl, runner, work, cmd, fault);

  const std::optional<Phase> bitten = FirstBite(cmd.phases, fault);
  // Exit code: 0 done, 4 no device to work with (none, several, not this
  // user's to open, held by another program), 1 any other failure, the
  // disconnect's included.
  const bool noOne = bitten == Phase::Discovery &&
                     (fault.kind == FaultKind::NoDevice || fault.kind == FaultKind::TwoDevices ||
                      fault.kind == FaultKind::NoAccess || fault.kind == FaultKind::Busy);
  cell.Check(rc == (!bitten ? (CheckFinds(cmd, fault) ? 1 : 0)
                    : noOne ? 4
                            : 1),
             "exit code " + std::to_string(rc));
  CheckMessages(work, cmd, bitten, fault, !runner.empty(), cell);
  CheckData(work, cmd, bitten, fault, cell);
  cell.Check(Files(work / "data") == files, "data folder changed");
  CheckJournal(work, cmd, bitten, fault, recorded, cell);
  CheckTrace(work, cmd, cell);
}

}  // namespace

int main(int argc, char** argv) {
  const bool through = argc == 4 && std::string(argv[2]) == "--through";
  if (argc != 2 && !through) {
    std::cerr << "usage: " << argv[0] << " ortenctl [--through RUNNER]\n";
    return 2;
  }
  const std::string ctl = fs::absolute(argv[1]).string();
  const std::string runner = through ? fs::absolute(argv[3]).string() : "";
  char pattern[] = "/tmp/orten-fault-matrix-XXXXXX";
  if (!mkdtemp(pattern)) return 2;
  const fs::path work = pattern;
  fs::create_directories(work / "data" / "Base");
  Put(work / "X.cfg", ValueLines(WrittenSettings()));
  Put(work / "B.rrg", ValueLines(kBackup));
  std::string image(kFirmwareSize, '\x33');
  image[0] = image[1] = '\x55';
  image[2] = '\x12';
  image[3] = static_cast<char>(kNewVersion);
  Put(work / "data" / "Base" / "RPU_130", image);

  // Host bytes: the connect (3), the exchange's request or info's disconnect
  // (12), a frame's second sync byte or a read's disconnect (17), chunks
  // (100, 1000), the settings write's disconnect or its read-back request
  // (280), the firmware's last byte (1297), the backup write's disconnect or
  // its read-back request (1815). Device bytes: the
  // connect reply (3), a frame's sync or an answer (9), chunks (100, 1000),
  // the settings frame's last checksum byte (267).
  // Kept otherwise: the firmware's version byte (11), a setting and a backup
  // value (20: the payload's third), a backup value only (1000).
  std::vector<FaultCase> faults =
      MatrixFaults({3, 12, 17, 100, 280, 1000, 1297, 1815}, {3, 9, 100, 267, 1000}, {11, 20, 1000});
  if (through) {
    // A real pipe's waits are real: a request and a chunk on each side, and
    // no fault that only waits out the 10 s answer time. A pipe that will
    // not open is the driver's own matter, not the device's; wine opens a
    // device whatever its driver says, so access and a holder are the unit
    // tests' to show.
    faults = MatrixFaults({100}, {3, 100}, {20});
    std::erase_if(faults, [](const FaultCase& f) {
      return f.kind == FaultKind::NoAnswer || f.kind == FaultKind::PipeOpen ||
             f.kind == FaultKind::NoAccess || f.kind == FaultKind::Busy;
    });
  }
  int cells = 0;
  int passed = 0;
  for (const Command& cmd : Commands(work)) {
    for (const FaultCase& fault : faults) {
      Cell cell(std::string(cmd.name) + ", " + fault.Name());
      RunCell(ctl, runner, work, cmd, fault, cell);
      ++cells;
      passed += cell.Passed();
    }
  }
  fs::remove_all(work);
  std::cout << "fault matrix: " << cells << " cells, " << passed << " passed\n";
  return passed == cells ? 0 : 1;
}
