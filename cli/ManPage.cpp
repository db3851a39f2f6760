#include "cli/ManPage.h"

#include <sstream>
#include <vector>

#include "cli/CommandTable.h"
#include "startup/CommonOptions.h"
#include "startup/ExitCodes.h"

namespace orten::cli {

namespace {

// roff takes a leading dot or quote as a request and a backslash as an
// escape; a dash in an option must stay a hyphen-minus.
std::string Roff(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else if ((c == '.' || c == '\'') && (i == 0 || text[i - 1] == '\n')) {
      out += "\\&";
      out += c;
    } else {
      out += c;
    }
  }
  return out;
}

// Help lines written for a terminal, as one paragraph.
std::string Joined(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '\n' ? ' ' : c;
  return out;
}

void Item(std::ostream& out, const std::string& heading, const std::string& text) {
  out << ".TP\n.B " << Roff(heading) << '\n' << Roff(Joined(text)) << '\n';
}

// The shared options' help is laid out in two columns at column 31.
std::vector<OptionHelp> SharedOptions() {
  std::vector<OptionHelp> items;
  std::istringstream in(CommonOptionsHelp());
  for (std::string line; std::getline(in, line);) {
    const std::string heading = line.size() > 31 ? line.substr(0, 31) : line;
    const std::string text = line.size() > 31 ? line.substr(31) : "";
    const std::size_t first = heading.find_first_not_of(' ');
    if (first == std::string::npos) {
      if (!items.empty()) items.back().help += " " + text;
      continue;
    }
    const std::size_t last = heading.find_last_not_of(' ');
    items.push_back({heading.substr(first, last - first + 1), text, "", "", ""});
  }
  return items;
}

void ExitCodes(std::ostream& out, std::span<const ExitCodeMeaning> codes) {
  out << ".SH КОДЫ ЗАВЕРШЕНИЯ\n";
  for (const ExitCodeMeaning& row : codes) Item(out, std::to_string(row.code), std::string(row.text) + ".");
}

void Header(std::ostream& out, const char* name, const ManPageFacts& facts, const char* what) {
  out << ".TH " << name << " 1 \"" << facts.date << "\" \"ortenconf " << facts.version
      << "\" \"Команды пользователя\"\n"
      << ".SH ИМЯ\n"
      << what << '\n';
}

constexpr const char* kFiles =
    ".SH ФАЙЛЫ\n"
    ".TP\n"
    ".I ~/.local/share/ortenconf/Base, Reg_RPU, ReleCfg\n"
    "Прошивки, резервные копии памяти регистрации (*.rrg) и настройки реле (*.cfg)\n"
    "установленной программы (\\fB$XDG_DATA_HOME/ortenconf\\fR, если переменная задана;\n"
    "\\fB\\-\\-data\\-dir\\fR задает другую папку). Копия программы вне системных папок\n"
    "хранит их рядом с собой, если туда можно писать.\n"
    ".TP\n"
    ".I ~/.local/share/ortenconf/journal.csv\n"
    "Журнал обеих программ в папке данных (CSV, UTF\\-8, первая строка \\- названия\n"
    "столбцов): по записи на каждое чтение, запись и проверку памяти или прошивки\n"
    "прибора \\- время UTC (ISO 8601), программа, действие, семейство и версия прибора\n"
    "до и после (после записи прошивки \\- в записи ее проверки), имя файла и SHA\\-256\n"
    "его содержимого (в том виде, в каком программы сохраняют файл), итог и\n"
    "сообщение. Поле, начинающееся с = + \\- @, записано с апострофом впереди, чтобы\n"
    "электронная таблица не приняла его за формулу. Показывает \\fBortenctl journal\\fR.\n"
    ".TP\n"
    ".I ~/.config/ortenconf/usb.conf\n"
    "Запомненные идентификаторы USB прибора (\\fBortenctl usb \\-\\-remember\\fR;\n"
    "\\fB$XDG_CONFIG_HOME/ortenconf/usb.conf\\fR, если переменная задана).\n"
    ".TP\n"
    ".I /usr/lib/udev/rules.d/70-ortenconf.rules\n"
    "Правило udev пакета: открывает пользователю за компьютером приборы с\n"
    "идентификаторами, заданными при сборке пакета; без них файл содержит только\n"
    "образец, и правило для прибора ставит \\fBortenctl usb \\-\\-install\\-rule\\fR или окно\n"
    "выбора прибора в \\fBortenconf\\fR (в \\fI/etc/udev/rules.d/70-ortenconf.rules\\fR).\n";

constexpr const char* kEnvironment =
    ".SH ОКРУЖЕНИЕ\n"
    ".TP\n"
    ".B ORTEN_USB_ID\n"
    "Идентификаторы USB прибора, VID:PID через запятую; важнее запомненных,\n"
    "\\fB\\-\\-usb\\-id\\fR важнее переменной.\n"
    ".TP\n"
    ".B XDG_DATA_HOME, XDG_CONFIG_HOME, HOME\n"
    "Где лежат папка данных и файл usb.conf; относительные значения XDG не\n"
    "учитываются.\n";

constexpr const char* kLineScript =
    ".SH СЦЕНАРИЙ ЛИНИИ ИМИТАТОРА\n"
    "\\fB\\-\\-sim\\-line\\fR \\fIFILE\\fR: линия, на которой приборы появляются и\n"
    "отключаются, для \\fBwait\\fR и \\fBbatch\\fR без оборудования. Приборы шагов plug\n"
    "до первого pause или unplug на линии с начала; дальше каждый раз, когда программа\n"
    "ждет перемены на линии, выполняется следующий шаг (по одной перемене за\n"
    "ожидание). Шаг на строке; \\fB#\\fR начинает комментарий.\n"
    ".TP\n"
    ".B plug FAMILY[:VERSION] [FAULT...] [FAMILY[:VERSION] [FAULT...]]...\n"
    "Подключаются приборы (несколько на строке \\- одновременно) семейства rpu или mro;\n"
    "отказы после прибора \\- его, как в \\fB\\-\\-sim\\-fault\\fR (кроме no\\-device и\n"
    "two\\-devices), байты считаются от его подключения. Место прибора \\- sim:N, N \\- его\n"
    "номер по порядку подключения.\n"
    ".TP\n"
    ".B unplug [N]\n"
    "Отключается N\\-й прибор; без N \\- подключенный раньше других из тех, что на линии.\n"
    ".TP\n"
    ".B pause SECONDS\n"
    "Ничего не происходит столько секунд (с \\fB\\-\\-sim\\-skip\\-waits\\fR время\n"
    "считается, но не тратится).\n"
    ".PP\n"
    "Когда шаги кончились, \\fBbatch\\fR завершается с итогом. Пример: модуль, модуль,\n"
    "умолкающий посреди записи, и два модуля сразу:\n"
    ".PP\n.RS\n.nf\n"
    "plug mro:45\nunplug\nplug mro:45 read\\-timeout@20\nunplug\nplug mro:45 mro:46\nunplug 4\nunplug\n"
    ".fi\n.RE\n";

}  // namespace

std::string OrtenctlManPage(const ManPageFacts& facts) {
  std::ostringstream out;
  Header(out, "ORTENCTL", facts, "ortenctl \\- настройка приемника Ортен\\-ДЕЗ из командной строки");
  out << ".SH СИНТАКСИС\n"
         ".B ortenctl\n"
         "[\\fIпараметры\\fR] \\fIкоманда\\fR [\\fIаргументы\\fR]\n"
         ".SH ОПИСАНИЕ\n"
         "\\fBortenctl\\fR делает то же, что окно \\fBortenconf\\fR, из командной строки, для\n"
         "сценариев и серийной работы: узнает тип и версию прибора, записывает прошивки,\n"
         "делает и восстанавливает резервные копии памяти регистрации, читает и\n"
         "записывает настройки реле и выхода ОК. Сообщения выводятся в stderr словами\n"
         "окна, результаты \\- в stdout. Параметр, который команда не принимает, \\- ошибка\n"
         "командной строки; \\fB\\-\\-\\fR заканчивает параметры (для имен файлов, начинающихся\n"
         "с дефиса).\n"
         ".SH КОМАНДЫ\n";
  for (const Command& c : Commands()) {
    out << ".TP\n.B " << Roff(Synopsis(c)) << '\n' << Roff(Joined(c.help));
    if (c.json) out << ".\nС \\fB\\-\\-json\\fR: объект JSON с ключами " << Roff(c.json);
    out << ".\n";
  }
  out << ".SH ПАРАМЕТРЫ КОМАНД\n";
  for (const OptionHelp& o : CommandOptionHelp()) Item(out, o.heading, o.help);
  out << ".SH ОБЩИЕ ПАРАМЕТРЫ\n";
  for (const OptionHelp& o : SharedOptions()) Item(out, o.heading, o.help);
  for (const OptionHelp& o : GeneralOptionHelp()) Item(out, o.heading, o.help);
  ExitCodes(out, ToolExitCodes());
  for (const char* note : OwnExitCodes()) out << ".PP\n" << Roff(note) << ".\n";
  out << kFiles << kEnvironment << kLineScript
      << ".SH ПРИМЕРЫ\n"
         "Тип и версия прибора:\n"
         ".PP\n.RS\n.B ortenctl info\n.RE\n.PP\n"
         "Резервная копия приемника под именем по умолчанию в папке Reg_RPU:\n"
         ".PP\n.RS\n.B ortenctl backup read \\-\\-mode rpu \\-\\-module 3 \\-\\-object 7\n.RE\n.PP\n"
         "Одни настройки реле в каждый модуль коробки по очереди, с проверкой и журналом:\n"
         "программа ждет подключения модуля, записывает, печатает строку итога и ждет,\n"
         "пока модуль отключат. Ctrl\\-C заканчивает работу с итогом.\n"
         ".PP\n.RS\n.B ortenctl batch settings object.cfg \\-\\-count 50\n.RE\n.PP\n"
         "Что было записано в приборы за день, для таблицы:\n"
         ".PP\n.RS\n.B ortenctl journal \\-\\-since 2026\\-12\\-08 \\-\\-json\n.RE\n.PP\n"
         "Репетиция отказа без прибора: файл заводских настроек, затем его запись,\n"
         "прерванная на байте 40 (код завершения 1):\n"
         ".PP\n.RS\n.nf\n"
         "\\fBortenctl settings defaults \\-o X.cfg\\fR\n"
         "\\fBortenctl \\-\\-simulate mro \\-\\-sim\\-fault write\\-fail@40 settings write X.cfg\\fR\n"
         ".fi\n.RE\n"
         ".SH СМОТРИТЕ ТАКЖЕ\n"
         ".BR ortenconf (1)\n";
  return out.str();
}

std::string OrtenconfManPage(const ManPageFacts& facts) {
  std::ostringstream out;
  Header(out, "ORTENCONF", facts, "ortenconf \\- программа настройки РПУ Ортен\\-ДЕЗ (окно)");
  out << ".SH СИНТАКСИС\n"
         ".B ortenconf\n"
         "[\\fIпараметры\\fR]\n"
         ".SH ОПИСАНИЕ\n"
         "\\fBortenconf\\fR \\- окно настройки приемника беспроводной охранной системы\n"
         "Ортен\\-ДЕЗ (РПУ/РТР) и модуля реле и оповещения (МРО) по USB: подключение и\n"
         "определение прибора, обновление ПО из файлов папки Base, резервная копия памяти\n"
         "регистрации (Reg_RPU), настройка реле и выхода ОК (ReleCfg), демо\\-режим для\n"
         "работы только с файлами. Если идентификаторы USB прибора не заданы или нет\n"
         "доступа к нему, окно предлагает выбрать прибор и поставить правило udev.\n"
         "Руководство пользователя открывает кнопка «Help».\n"
         ".SH ПАРАМЕТРЫ\n";
  for (const OptionHelp& o : SharedOptions()) Item(out, o.heading, o.help);
  Item(out, "    --open-folder NAME",
       "открыть папку NAME (Base, Reg_RPU или ReleCfg) из папки данных в файловом менеджере "
       "и выйти, без окна программы");
  Item(out, "-h, --help", "справка");
  Item(out, "    --version", "версия программы");
  ExitCodes(out, WindowExitCodes());
  out
      << kFiles
      << ".TP\n.I /usr/share/ortenconf/guide/index.html\n"
         "Руководство пользователя; его показывает кнопка «Help».\n"
      << kEnvironment
      << ".TP\n.B DISPLAY, WAYLAND_DISPLAY\nГрафический дисплей окна.\n"
         ".SH ПРИМЕРЫ\n"
         "Окно с имитатором модуля реле, без прибора:\n"
         ".PP\n.RS\n.B ortenconf \\-\\-simulate mro\n.RE\n.PP\n"
         "Без дисплея, под Xvfb:\n"
         ".PP\n.RS\n.B xvfb\\-run \\-a ortenconf \\-\\-simulate rpu\n.RE\n"
         ".SH СМОТРИТЕ ТАКЖЕ\n"
         ".BR ortenctl (1)\n";
  return out.str();
}

}  // namespace orten::cli
