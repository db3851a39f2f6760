#include "cli/CliOptions.h"

#include <charconv>
#include <cmath>

namespace orten::cli {

namespace {

// Options with a fixed set of values say which when given another.
bool CheckChoice(const std::string& name, const std::string& value, std::string& error) {
  if (name == "--family" && value != "rpu" && value != "mro") {
    error = "--family: ожидается rpu или mro";
    return false;
  }
  if (name == "--mode" && value != "rpu" && value != "rtr") {
    error = "--mode: ожидается rpu или rtr";
    return false;
  }
  if (name == "--remember") {
    std::vector<UsbId> ids;
    if (!ParseUsbIdList(value, ids, error) || ids.empty()) {
      error = "--remember: " + (error.empty() ? "ожидается VID:PID" : error);
      return false;
    }
  }
  return true;
}

// Seconds, whole or with a fraction; a day at most, so milliseconds stay in range.
bool ParseSeconds(const std::string& text, std::optional<double>& seconds, std::string& error) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0 ||
      value > 86400) {
    error = "--timeout: ожидается число секунд от 0 до 86400";
    return false;
  }
  seconds = value;
  return true;
}

}  // namespace

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options,
                     std::string& error) {
  std::vector<std::string> rest = args;
  if (!TakeCommonOptions(rest, options.common, error)) return false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& arg = rest[i];
    std::string* valued = nullptr;
    std::string name = arg.substr(0, arg.find('='));
    if (name == "--family") valued = &options.family;
    if (name == "-o" || name == "--output") valued = &options.output;
    if (name == "--mode") valued = &options.systemMode;
    if (name == "--module") valued = &options.module;
    if (name == "--object") valued = &options.object;
    if (name == "--remember") valued = &options.remember;
    std::string seconds;
    if (name == "--timeout") valued = &seconds;
    if (valued) {
      if (name == arg && i + 1 >= rest.size()) {
        error = "параметру " + name + " нужно значение";
        return false;
      }
      *valued = name == arg ? rest[++i] : arg.substr(name.size() + 1);
      if (!CheckChoice(name, *valued, error)) return false;
      if (valued == &seconds && !ParseSeconds(seconds, options.timeout, error)) return false;
    } else if (arg == "--all") {
      options.all = true;
    } else if (arg == "--forget") {
      options.forget = true;
    } else if (arg == "--udev-rule") {
      options.udevRule = true;
    } else if (arg == "--gone") {
      options.gone = true;
    } else if (arg == "--change-family") {
      options.changeFamily = true;
    } else if (arg == "--verify") {
      options.verify = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--yes" || arg == "-y") {
      options.yes = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "неизвестный параметр " + arg;
      return false;
    } else {
      options.words.push_back(arg);
    }
  }
  return true;
}

std::string UsageText() {
  return std::string(
             "Использование: ortenctl [параметры] КОМАНДА\n"
             "Настройка приемника Ортен-ДЕЗ из командной строки.\n\n"
             "Команды:\n"
             "  info                         найти прибор, связаться с ним и показать его тип и "
             "версию ПО\n"
             "  firmware list [--family rpu|mro]\n"
             "                               файлы прошивок в Base (семейства прибора, если не "
             "указано)\n"
             "  firmware check FILE          проверить файл прошивки\n"
             "  firmware write FILE [--yes] [--change-family] [--verify]\n"
             "                               записать прошивку в прибор\n"
             "  backup read [-o FILE.rrg] [--mode rpu|rtr --module N --object N]\n"
             "                               считать память регистрации в файл (по умолчанию\n"
             "                               в Reg_RPU под именем из режима, модуля и объекта)\n"
             "  backup write FILE.rrg [--verify]\n"
             "                               записать резервную копию в прибор\n"
             "  backup info FILE.rrg         режим, модуль, объект и код конфигурации файла\n"
             "  settings read [-o FILE.cfg]  считать настройки реле и выхода ОК и показать их\n"
             "                               (с -o также сохранить в файл)\n"
             "  settings write FILE.cfg [--verify]\n"
             "                               записать настройки из файла в прибор\n"
             "  settings show FILE.cfg       показать настройки из файла\n"
             "  settings diff A.cfg B.cfg    различия настроек двух файлов\n"
             "  settings defaults -o FILE.cfg\n"
             "                               сохранить заводские настройки в файл\n"
             "  usb [--all]                  (Linux) устройства USB, которые могут быть прибором:\n"
             "                               VID:PID, шина и порт, изготовитель и изделие,\n"
             "                               есть ли доступ, заданы ли их идентификаторы\n"
             "                               (--all: все устройства USB)\n"
             "  usb --remember VID:PID       запомнить идентификаторы прибора для ortenctl и\n"
             "                               ortenconf (--usb-id и ORTEN_USB_ID важнее)\n"
             "  usb --forget                 забыть запомненные идентификаторы\n"
             "  usb --udev-rule              правило udev, открывающее прибор пользователю\n"
             "                               (для заданных или запомненных идентификаторов)\n"
             "  wait [--gone] [--timeout SECONDS]\n"
             "                               ждать, пока прибор появится на линии USB (--gone:\n"
             "                               пока его не отключат); без --timeout ждать сколько\n"
             "                               угодно\n\n"
             "Параметры:\n") +
         CommonOptionsHelp() +
         "  -y, --yes                    отвечать «да» на вопросы\n"
         "      --change-family          разрешить запись прошивки другого семейства\n"
         "      --verify                 после записи проверить записанное (версию прошивки,\n"
         "                               резервную копию или настройки, считав их снова)\n"
         "      --all                    usb: все устройства USB\n"
         "      --remember VID:PID       usb: запомнить идентификаторы прибора\n"
         "      --forget                 usb: забыть запомненные идентификаторы\n"
         "      --gone                   wait: ждать отключения прибора\n"
         "      --timeout SECONDS        wait: ждать не дольше (код 4 по истечении)\n"
         "  -h, --help                   эта справка\n"
         "      --version                версия программы\n\n"
         "Коды завершения: 0 выполнено; 1 прибор не ответил или отказал; 2 ошибка в командной\n"
         "строке; 3 ошибка файла; 4 прибора нет на линии или их больше одного, или время\n"
         "ожидания wait истекло.\n";
}

}  // namespace orten::cli
