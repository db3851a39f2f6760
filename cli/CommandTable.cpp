#include "cli/CommandTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "base/TextColumns.h"
#include "cli/Commands.h"
#include "base/OutcomeKinds.h"
#include "startup/UdevRuleInstall.h"

namespace orten::cli {

namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
// No manual pages there: each command's help lists its keys.
constexpr const char* kJsonHelp = "результат одним объектом JSON (ключи: ortenctl КОМАНДА --help)";
#else
constexpr bool kWindows = false;
constexpr const char* kJsonHelp = "результат одним объектом JSON (ключи: в man ortenctl)";
#endif

// One option of a command: how it is written, what it takes, what it sets.
struct Option {
  const char* name;       // "--family"
  const char* shortName;  // "-o", or null
  const char* value;      // how its value is shown ("rpu|mro"); null for a switch
  const char* help;
  bool (*apply)(CliOptions& o, const std::string& value, std::string& error);
};

bool Choice(const std::string& value, std::initializer_list<const char*> choices, const char* name,
            std::string& error) {
  for (const char* c : choices) {
    if (value == c) return true;
  }
  error = std::string(name) + ": ожидается " + *choices.begin() + " или " + *(choices.end() - 1);
  return false;
}

// Seconds, whole or with a fraction; a day at most, so milliseconds stay in range.
bool Seconds(const char* name, const std::string& text, std::optional<double>& seconds,
             std::string& error) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0 ||
      value > 86400) {
    error = std::string(name) + ": ожидается число секунд от 0 до 86400";
    return false;
  }
  seconds = value;
  return true;
}

bool Count(CliOptions& o, const std::string& text, std::string& error) {
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 1000000) {
    error = "--count: ожидается число приборов от 1 до 1000000";
    return false;
  }
  o.count = value;
  return true;
}

bool Since(CliOptions& o, const std::string& text, std::string& error) {
  const std::optional<std::string> day = JournalDay(text);
  if (!day) {
    error = "--since: ожидается дата ГГГГ-ММ-ДД или ДД.ММ.ГГГГ";
    return false;
  }
  o.since = *day;
  return true;
}

bool Remember(CliOptions& o, const std::string& value, std::string& error) {
  const Result<std::vector<UsbId>> ids = ParseUsbIdList(value);
  if (!ids || ids->empty()) {
    error = "--remember: " + (ids ? std::string("ожидается VID:PID") : ids.outcome().detail);
    return false;
  }
  o.remember = value;
  return true;
}

// Only what may reach a program run as root: four hex digits on each side.
bool InstallRule(CliOptions& o, const std::string& value, std::string& error) {
  if (!ParseRuleUsbId(value)) {
    error = "--install-rule: ожидается VVVV:PPPP (по четыре шестнадцатеричные цифры)";
    return false;
  }
  o.installRule = value;
  return true;
}

// The options of the commands; the ones every command takes are read apart
// (TakeCommonOptions, and --yes, --help, --version below).
const std::vector<Option>& Options() {
  static const std::vector<Option> options = {
      {"--family", nullptr, "rpu|mro", "firmware list: файлы этого семейства",
       [](CliOptions& o, const std::string& v, std::string& e) {
         o.family = v;
         return Choice(v, {FamilyToken(DeviceMode::Receiver), FamilyToken(DeviceMode::Relay)},
                       "--family", e);
       }},
      {"--output", "-o", "FILE", "сохранить результат в FILE",
       [](CliOptions& o, const std::string& v, std::string&) {
         o.output = v;
         return true;
       }},
      {"--mode", nullptr, "rpu|rtr", "backup read: режим работы в системе, для имени файла",
       [](CliOptions& o, const std::string& v, std::string& e) {
         o.systemMode = v;
         return Choice(v, {"rpu", "rtr"}, "--mode", e);
       }},
      {"--module", nullptr, "N", "backup read: адрес прибора в системе, для имени файла",
       [](CliOptions& o, const std::string& v, std::string&) {
         o.module = v;
         return true;
       }},
      {"--object", nullptr, "N", "backup read: номер объекта, для имени файла",
       [](CliOptions& o, const std::string& v, std::string&) {
         o.object = v;
         return true;
       }},
      {"--verify", nullptr, nullptr,
       "после записи проверить записанное (версию прошивки,\n"
       "резервную копию или настройки, считав их снова)",
       [](CliOptions& o, const std::string&, std::string&) { return o.verify = true; }},
      {"--change-family", nullptr, nullptr, "разрешить запись прошивки другого семейства",
       [](CliOptions& o, const std::string&, std::string&) { return o.changeFamily = true; }},
      {"--all", nullptr, nullptr, "usb: все устройства USB",
       [](CliOptions& o, const std::string&, std::string&) { return o.all = true; }},
      {"--remember", nullptr, "VID:PID", "usb: запомнить идентификаторы прибора", Remember},
      {"--forget", nullptr, nullptr, "usb: забыть запомненные идентификаторы",
       [](CliOptions& o, const std::string&, std::string&) { return o.forget = true; }},
      {"--udev-rule", nullptr, nullptr, "usb: правило udev для заданных идентификаторов",
       [](CliOptions& o, const std::string&, std::string&) { return o.udevRule = true; }},
      {"--install-rule", nullptr, "VVVV:PPPP",
       "usb: поставить правило udev для прибора (root:\nзаписать; иначе через pkexec, без него: напечатать\nкоманды)",
       InstallRule},
      {"--gone", nullptr, nullptr, "wait: ждать отключения прибора",
       [](CliOptions& o, const std::string&, std::string&) { return o.gone = true; }},
      {"--timeout", nullptr, "SECONDS", "wait: ждать не дольше (код 4 по истечении)",
       [](CliOptions& o, const std::string& v, std::string& e) {
         return Seconds("--timeout", v, o.timeout, e);
       }},
      {"--count", nullptr, "N", "batch: закончить после N приборов", Count},
      {"--time-limit", nullptr, "SECONDS", "batch: закончить через SECONDS секунд (начатый\n"
       "прибор дорабатывается)",
       [](CliOptions& o, const std::string& v, std::string& e) {
         return Seconds("--time-limit", v, o.timeLimit, e);
       }},
      {"--stop-on-failure", nullptr, nullptr, "batch: закончить на первом отложенном приборе",
       [](CliOptions& o, const std::string&, std::string&) { return o.stopOnFailure = true; }},
      {"--since", nullptr, "DATE",
       "journal: записи с этого дня (по часам компьютера),\n"
       "ГГГГ-ММ-ДД или ДД.ММ.ГГГГ",
       Since},
      {"--excel", nullptr, "FILE.xlsx", "journal: записать журнал в книгу Excel FILE.xlsx",
       [](CliOptions& o, const std::string& v, std::string&) { return o.excel = v, true; }},
      {"--json", nullptr, nullptr, kJsonHelp,
       [](CliOptions& o, const std::string&, std::string&) { return o.json = true; }},
  };
  return options;
}

const Option* FindOption(const std::string& name) {
  for (const Option& o : Options()) {
    if (name == o.name || (o.shortName && name == o.shortName)) return &o;
  }
  return nullptr;
}

std::vector<std::string> Split(const char* words) {
  std::vector<std::string> parts;
  std::string text(words);
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool StartsWith(const std::vector<std::string>& words, const std::vector<std::string>& prefix) {
  return words.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), words.begin());
}

// The commands whose words start with topic's.
std::vector<const Command*> CommandsOf(const std::string& topic) {
  const std::vector<std::string> prefix =
      topic.empty() ? std::vector<std::string>{} : Split(topic.c_str());
  std::vector<const Command*> found;
  for (const Command& c : Commands()) {
    if (StartsWith(Split(c.words), prefix)) found.push_back(&c);
  }
  return found;
}


// Help lines under a 31-column heading, as the rest of the help is laid out.
std::string Indented(const std::string& heading, const std::string& text) {
  constexpr std::size_t kColumn = 31;
  std::string out = "  " + heading;
  const std::size_t used = 2 + DisplayWidth(heading);
  std::size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (first && used < kColumn) {
      out += std::string(kColumn - used, ' ');
    } else {
      out += "\n" + std::string(kColumn, ' ');
    }
    out += text.substr(start, end - start);
    first = false;
    start = end + 1;
  }
  return out + "\n";
}

std::string OptionHeading(const Option& o) {
  std::string heading = o.shortName ? std::string(o.shortName) + ", " : std::string("    ");
  heading += o.name;
  if (o.value) heading += std::string(" ") + o.value;
  return heading;
}

std::string HelpHint(const std::string& topic) {
  return "Справка: ortenctl " + (topic.empty() ? std::string() : topic + " ") + "--help";
}

// The usage of the command, or of each command of a group, one line each.
// A topic that names no command (a bad option after an unknown word) gets
// the general usage, not an empty one.
UsageError Usage(std::string error, const std::string& topic) {
  const std::string lead = "Использование: ";
  const std::vector<const Command*> commands =
      topic.empty() ? std::vector<const Command*>{} : CommandsOf(topic);
  if (commands.empty()) {
    return {std::move(error), lead + "ortenctl [параметры] КОМАНДА\n", HelpHint({})};
  }
  std::string usage;
  for (const Command* c : commands) {
    usage += (usage.empty() ? lead : std::string(15, ' ')) + "ortenctl [параметры] " +
             Synopsis(*c) + "\n";
  }
  return {std::move(error), usage, HelpHint(topic)};
}

// The longest run of leading words that names a command, or else a group.
const Command* Resolve(const std::vector<std::string>& words) {
  const Command* best = nullptr;
  std::size_t bestSize = 0;
  for (const Command& c : Commands()) {
    const std::vector<std::string> w = Split(c.words);
    if (StartsWith(words, w) && w.size() > bestSize) {
      best = &c;
      bestSize = w.size();
    }
  }
  return best;
}

// Options of the command, "--name value" or "--name=value", and the words;
// "--" ends the options.
Outcome ReadWords(const std::vector<std::string>& rest, CliOptions& o) {
  const auto wrong = [](std::string why) { return Outcome{OutcomeKind::Usage, std::move(why)}; };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      o.words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      continue;
    }
    if (arg == "--version") {
      o.version = true;
      continue;
    }
    if (arg == "--yes" || arg == "-y") {
      o.yes = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const Option* option = FindOption(name);
    if (!option) return wrong("неизвестный параметр " + arg);
    std::string value;
    if (option->value) {
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < rest.size()) {
        value = rest[++i];
      } else {
        return wrong("параметру " + name + " нужно значение");
      }
    } else if (eq != std::string::npos) {
      return wrong("параметр " + name + " не принимает значения");
    }
    std::string error;
    if (!option->apply(o, value, error)) return wrong(error);
    o.given.push_back(option->name);
  }
  return {};
}

}  // namespace

int ExitCodeOf(OutcomeKind kind) {
  return OutcomeKindFacts(kind).toolExit;
}

// One object per device, then one for the run.
constexpr const char* kBatchJson =
    "number, place, type, family, version_text, version_byte (null, если прибор не ответил), "
    "done, kind, reason - по объекту в строке на каждый прибор; в конце объект summary (done, "
    "failed, reasons {причина: число}, ended: count|time-limit|failure|interrupted|line-script|"
    "line-failed)";

const std::vector<Command>& Commands() {
  // clang-format off
  static const std::vector<Command> commands = {
      {.words = "info", .options = {"--json"}, .needsDevice = true,
       .help = "найти прибор, связаться с ним и показать его тип и версию ПО",
       .json = "type, family, version_text, version_byte",
       .run = RunInfo},
      {.words = "firmware list", .options = {"--family", "--json"}, .needsDevice = true,
       .help = "файлы прошивок в Base (семейства прибора, если не указано)",
       .json = "folder, family, device (type, family, version_text, version_byte; null with "
               "--family), "
               "files (name, number, size, modified, kind, offered), offered",
       .run = RunFirmwareList},
      {.words = "firmware check", .arguments = "FILE", .minArguments = 1, .maxArguments = 1,
       .options = {"--json"},
       .help = "проверить файл прошивки",
       .json = "file, size, modified, type, new_version, version_byte",
       .run = RunFirmwareCheck},
      {.words = "firmware write", .arguments = "FILE", .minArguments = 1, .maxArguments = 1,
       .options = {"--change-family", "--verify"}, .needsDevice = true,
       .help = "записать прошивку в прибор (-y: не спрашивать)",
       .run = RunFirmwareWrite},
      {.words = "backup read", .options = {"--output", "--mode", "--module", "--object"},
       .needsDevice = true,
       .help = "считать память регистрации в файл (по умолчанию\n"
               "в Reg_RPU под именем из режима, модуля и объекта)",
       .run = RunBackupRead},
      {.words = "backup write", .arguments = "FILE.rrg", .minArguments = 1, .maxArguments = 1,
       .options = {"--verify"}, .needsDevice = true,
       .help = "записать резервную копию в прибор",
       .run = RunBackupWrite},
      {.words = "backup info", .arguments = "FILE.rrg", .minArguments = 1, .maxArguments = 1,
       .options = {"--json"},
       .help = "режим, модуль, объект и код конфигурации файла",
       .json = "file, mode, module, object, configuration_code, usable, error",
       .run = RunBackupInfo},
      {.words = "settings read", .options = {"--output"}, .needsDevice = true,
       .help = "считать настройки реле и выхода ОК и показать их\n(с -o также сохранить в файл)",
       .run = RunSettingsRead},
      {.words = "settings write", .arguments = "FILE.cfg", .minArguments = 1, .maxArguments = 1,
       .options = {"--verify"}, .needsDevice = true,
       .help = "записать настройки из файла в прибор",
       .run = RunSettingsWrite},
      {.words = "settings show", .arguments = "FILE.cfg", .minArguments = 1, .maxArguments = 1,
       .options = {"--json"},
       .help = "показать настройки из файла",
       .json = "file, values (45 numbers), outputs (name, mode, closing, opening, duration, "
               "inverse, notifications, partitions)",
       .run = RunSettingsShow},
      {.words = "settings diff", .arguments = "A.cfg B.cfg", .minArguments = 2, .maxArguments = 2,
       .options = {"--json"},
       .help = "различия настроек двух файлов",
       .json = "a, b, differences (output, setting, a, b)",
       .run = RunSettingsDiff},
      {.words = "settings defaults", .options = {"--output"}, .required = {"--output"},
       .help = "сохранить заводские настройки в файл",
       .run = RunSettingsDefaults},
      {.words = "usb",
       .options = {"--all", "--remember", "--forget", "--udev-rule", "--install-rule", "--json"},
       .linuxOnly = true, .needsDataFolder = false,
       .help = "(Linux) устройства USB, которые могут быть прибором:\n"
               "VID:PID, шина и порт, изготовитель и изделие,\n"
               "есть ли доступ, заданы ли их идентификаторы\n"
               "(--all: все устройства USB);\n"
               "usb --remember VID:PID: запомнить идентификаторы\n"
               "прибора для ortenctl и ortenconf (--usb-id и\n"
               "ORTEN_USB_ID важнее); usb --forget: забыть их;\n"
               "usb --udev-rule: правило udev, открывающее прибор\n"
               "пользователю; usb --install-rule VVVV:PPPP:\n"
               "поставить его в /etc/udev/rules.d/70-ortenconf.rules\n"
               "и применить к подключенному прибору (root: сразу;\n"
               "пользователь: через pkexec, без него команды)",
       .json = "ids, source, devices (id, port, manufacturer, product, access, configured, "
               "receiver)",
       .run = RunUsb},
      {.words = "batch settings", .arguments = "FILE.cfg", .minArguments = 1, .maxArguments = 1,
       .options = {"--count", "--time-limit", "--stop-on-failure", "--json"}, .needsDevice = true,
       .help = "записывать настройки из файла в модули реле один за другим:\n"
               "ждать прибор, проверить семейство, записать, считать\n"
               "и сравнить, напечатать строку, ждать отключения;\n"
               "неудачный прибор откладывается, работа идет дальше;\n"
               "два прибора сразу - пауза до отключения лишнего;\n"
               "Ctrl+C - итог (готово, отложено, по причинам)",
       .json = kBatchJson, .exitCodes = BatchExitCodes(),
       .run = RunBatchSettings},
      {.words = "batch firmware", .arguments = "FILE", .minArguments = 1, .maxArguments = 1,
       .options = {"--count", "--time-limit", "--stop-on-failure", "--json"}, .needsDevice = true,
       .help = "то же с прошивкой: приборы семейства файла, запись\nи ответ прибора о ней",
       .json = kBatchJson, .exitCodes = BatchExitCodes(),
       .run = RunBatchFirmware},
      {.words = "batch restore", .arguments = "FILE.rrg", .minArguments = 1, .maxArguments = 1,
       .options = {"--count", "--time-limit", "--stop-on-failure", "--json"}, .needsDevice = true,
       .help = "то же с резервной копией: приемники (РПУ/РТР), запись\nи сравнение считанного",
       .json = kBatchJson, .exitCodes = BatchExitCodes(),
       .run = RunBatchRestore},
      {.words = "wait", .options = {"--gone", "--timeout"}, .needsDevice = true,
       .help = "ждать, пока прибор появится на линии USB (--gone:\n"
               "пока его не отключат); без --timeout ждать сколько\nугодно",
       .run = RunWait},
      {.words = "journal", .options = {"--since", "--json", "--excel"},
       .help = "журнал действий обеих программ с приборами (journal.csv\n"
               "в папке данных): время, программа, действие, прибор\n"
               "и версия до и после, файл и его SHA-256, итог,\n"
               "сообщение, а у пакетной записи - пакет, номер модуля\n"
               "в нем и порт USB. Таблица - по-русски и по часам\n"
               "компьютера; --json и journal.csv - как в файле, время\n"
               "UTC; --excel - книга Excel, которая открывается\n"
               "и в русской Windows",
       .json = "journal, records (time, program, operation, family_before, version_before, "
               "family_after, version_after, file, sha256, outcome, message, batch, module, "
               "port), skipped_lines",
       .run = RunJournal},
  };
  // clang-format on
  return commands;
}

std::string Synopsis(const Command& command) {
  std::string text = command.words;
  if (*command.arguments) text += std::string(" ") + command.arguments;
  for (const char* name : command.options) {
    const Option* o = FindOption(name);
    const bool required = std::find(command.required.begin(), command.required.end(),
                                    std::string_view(name)) != command.required.end();
    text += std::string(required ? " " : " [") + (o->shortName ? o->shortName : o->name) +
            (o->value ? std::string(" ") + o->value : "") + (required ? "" : "]");
  }
  return text;
}

std::vector<OptionHelp> CommandOptionHelp() {
  std::vector<OptionHelp> all;
  for (const Option& o : Options()) {
    all.push_back({OptionHeading(o), o.help, o.name, o.shortName ? o.shortName : "",
                   o.value ? o.value : ""});
  }
  return all;
}

std::vector<OptionHelp> GeneralOptionHelp() {
  return {{"-y, --yes", "отвечать «да» на вопросы", "--yes", "-y", ""},
          {"-h, --help", "справка (после команды: справка по ней)", "--help", "-h", ""},
          {"    --version", "версия программы", "--version", "", ""}};
}

std::vector<const char*> OwnExitCodes(const std::string& topic) {
  std::vector<const char*> notes;
  for (const Command* c : CommandsOf(topic)) {
    if (c->exitCodes && std::find(notes.begin(), notes.end(), c->exitCodes) == notes.end()) {
      notes.push_back(c->exitCodes);
    }
  }
  return notes;
}

std::string UsageLine(const Command& command) {
  return "Использование: ortenctl [параметры] " + Synopsis(command);
}

std::optional<UsageError> ParseCommandLine(const std::vector<std::string>& args,
                                           CommandLine& line) {
  std::vector<std::string> rest = args;
  CliOptions& o = line.options;
  if (const Outcome taken = TakeCommonOptions(rest, o.common); !taken)
    return Usage(taken.detail, {});
  if (const Outcome read = ReadWords(rest, o); !read) {
    const Command* near = Resolve(o.words);
    return Usage(read.detail, near              ? near->words
                              : o.words.empty() ? std::string()
                                                : o.words.front());
  }
  if (o.words.empty()) {
    if (o.help || o.version) return std::nullopt;
    return Usage("не указана команда", {});
  }
  const Command* command = Resolve(o.words);
  if (!command) {
    // A group's name alone asks for its help; anything else is unknown.
    const bool group = !CommandsOf(o.words.front()).empty();
    if (group && o.words.size() == 1 && o.help) return std::nullopt;
    if (!group) return Usage("неизвестная команда " + o.words.front(), {});
    return Usage(o.words.size() == 1 ? "не указано, что сделать: " + o.words.front() + " ..."
                                     : "неизвестная команда " + o.words[0] + " " + o.words[1],
                 o.words.front());
  }
  line.command = command;
  const std::size_t wordCount = Split(command->words).size();
  line.arguments.assign(o.words.begin() + static_cast<std::ptrdiff_t>(wordCount), o.words.end());
  if (o.help) return std::nullopt;
  for (const std::string& name : o.given) {
    if (std::find(command->options.begin(), command->options.end(), name) ==
        command->options.end()) {
      return Usage("команда " + std::string(command->words) + " не принимает параметр " + name,
                   command->words);
    }
  }
  for (const char* name : command->required) {
    if (std::find(o.given.begin(), o.given.end(), name) == o.given.end()) {
      const Option* option = FindOption(name);
      return Usage("команде " + std::string(command->words) + " нужен параметр " +
                       (option->shortName ? option->shortName : option->name),
                   command->words);
    }
  }
  const std::size_t n = line.arguments.size();
  if (n < command->minArguments || n > command->maxArguments) {
    return Usage(n < command->minArguments
                     ? "команде " + std::string(command->words) + " не хватает аргументов"
                     : "лишний аргумент " + line.arguments[command->maxArguments],
                 command->words);
  }
  return std::nullopt;
}

std::string HelpText(const std::string& topic) {
  std::string text;
  const std::vector<const Command*> commands = CommandsOf(topic);
  if (topic.empty()) {
    text =
        "Использование: ortenctl [параметры] КОМАНДА\n"
        "Настройка приемника Ортен-ДЕЗ из командной строки.\n\n";
  }
  text += "Команды:\n";
  std::vector<const Option*> used;
  bool linuxOnly = false;
  for (const Command* c : commands) {
    if (kWindows && c->linuxOnly) {
      linuxOnly = true;
      continue;
    }
    text += Indented(Synopsis(*c), c->help);
    if (!topic.empty() && c->json) text += Indented("", std::string("JSON: ") + c->json);
    for (const char* name : c->options) {
      const Option* o = FindOption(name);
      if (std::find(used.begin(), used.end(), o) == used.end()) used.push_back(o);
    }
  }
  text += "\nПараметры команд:\n";
  for (const Option* o : used) text += Indented(OptionHeading(*o), o->help);
  text += std::string("\nОбщие параметры:\n") + CommonOptionsHelp() +
          Indented("-y, --yes", "отвечать «да» на вопросы") +
          Indented("-h, --help", "эта справка") + Indented("    --version", "версия программы");
  text += "\n" + ExitCodesHelp(ToolExitCodes(), OwnExitCodes(topic));
  if (linuxOnly) {
    text +=
        "\nКоманда usb нужна только в Linux: в Windows прибор находит драйвер изготовителя\n"
        "(он виден в Диспетчере устройств).\n";
  }
  if (topic.empty()) text += "\nСправка по одной команде: ortenctl КОМАНДА --help\n";
  return text;
}

std::string DataFolderHelp(const std::string& folder) {
  return "\nПапка данных (Base - прошивки, Reg_RPU - резервные копии, ReleCfg - настройки\n"
         "реле, journal.csv - журнал):\n  " +
         folder +
#ifdef _WIN32
         "\nУстановленная программа хранит их в %LOCALAPPDATA%\\ortenconf, распакованная\n"
         "копия - рядом с ortenctl.exe, если туда можно писать; --data-dir задает другую\n"
         "папку. Base, Reg_RPU и ReleCfg - скрытые системные папки: Проводник их не\n"
         "показывает. Откройте их из меню «Пуск» (папка программы) или введите полный\n"
         "путь, например\n  " +
         folder + "\\Base\nв адресную строку Проводника.\n";
#else
         "\nУстановленная программа хранит их в $XDG_DATA_HOME/ortenconf (обычно\n"
         "~/.local/share/ortenconf), программа из своей папки (сборка) - рядом с собой,\n"
         "если туда можно писать; --data-dir задает другую папку.\n";
#endif
}

}  // namespace orten::cli
