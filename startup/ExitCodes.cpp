#include "startup/ExitCodes.h"

#include <array>
#include <sstream>

#include "base/TextColumns.h"

namespace orten {

namespace {

constexpr std::array kToolCodes{
    ExitCodeMeaning{kToolDone, "Выполнено"},
    ExitCodeMeaning{kToolDevice,
                    "Прибор не ответил, ответил ошибкой или отказал; проверка после записи не "
                    "пройдена; запись отменена"},
    ExitCodeMeaning{kToolUsage, "Ошибка в командной строке"},
    ExitCodeMeaning{kToolFile, "Ошибка файла: его не прочитать или не записать, или он непригоден; результат не "
                    "вывести целиком (диск заполнен, вывод закрыт)"},
    ExitCodeMeaning{kToolNoDevice,
                    "Прибора нет на линии USB или их больше одного, он занят другой программой, к "
                    "нему нет доступа или его идентификаторы USB неизвестны; время ожидания (wait "
                    "--timeout) истекло"},
};

constexpr std::array kWindowCodes{
    ExitCodeMeaning{kWindowClosed, "Окно закрыто"},
    ExitCodeMeaning{kWindowFailure,
                    "Программа прервана непредвиденной ошибкой (ее текст показан в окне сообщения)"},
    ExitCodeMeaning{kWindowUsage,
                    "Ошибка в командной строке, или файл, названный в ней (--sim-state, --trace), "
                    "нельзя использовать"},
    ExitCodeMeaning{kWindowNoDisplay,
                    "Нет графического дисплея: окно не может открыться (без дисплея запускайте "
                    "программу под Xvfb)"},
};

constexpr std::size_t kWidth = 80;
constexpr std::size_t kCodeIndent = 5;  // "  0  "

// text in lines of at most kWidth columns, the first after `first`, the
// others after `indent` blanks.
std::string Wrapped(const std::string& first, const std::string& text, std::size_t indent) {
  std::string out = first;
  std::size_t used = DisplayWidth(first);
  bool wordOnLine = false;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    if (wordOnLine && used + 1 + DisplayWidth(word) > kWidth) {
      out += '\n';
      out.append(indent, ' ');
      used = indent;
      wordOnLine = false;
    }
    if (wordOnLine) {
      out += ' ';
      ++used;
    }
    out += word;
    used += DisplayWidth(word);
    wordOnLine = true;
  }
  return out + "\n";
}

}  // namespace

std::span<const ExitCodeMeaning> ToolExitCodes() {
  return kToolCodes;
}

std::span<const ExitCodeMeaning> WindowExitCodes() {
  return kWindowCodes;
}

const char* BatchExitCodes() {
  return "batch: 0, если все приборы готовы (также при завершении по Ctrl+C, закрытию терминала или "
         "сигналу завершения, по --count или по --time-limit); иначе код причины первого неготового "
         "прибора (1, или 4 без доступа к нему или если его держит другая программа: такой прибор "
         "не откладывается); 4, если за --time-limit не набралось --count приборов; 3, если файл "
         "непригоден (до первого прибора)";
}

std::string ExitCodesHelp(std::span<const ExitCodeMeaning> codes,
                          std::span<const char* const> notes) {
  std::string text = "Коды завершения:\n";
  for (const ExitCodeMeaning& row : codes) {
    text += Wrapped("  " + std::to_string(row.code) + "  ", row.text, kCodeIndent);
  }
  for (const char* note : notes) text += Wrapped("  ", std::string(note) + ".", 2);
  return text;
}

}  // namespace orten
