// ortenctl settings read | write | show | diff | defaults: the relay page's
// work for scripts.
#include <algorithm>
#include <array>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "base/DataFolders.h"
#include "base/JsonWriter.h"
#include "base/TextColumns.h"
#include "base/UserInterface.h"
#include "base/Utf8Path.h"
#include "base/Wording.h"
#include "cli/BatchJob.h"
#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "ops/Session.h"
#include "params/ReleSettings.h"
#include "params/ValueFile.h"
#include "protocol/DeviceCommands.h"
#include "protocol/Packets.h"
#include "protocol/ParameterExchange.h"

namespace orten::cli {

namespace {

constexpr std::size_t kCaptionColumns = 34;
constexpr std::size_t kValueColumns = 18;

// "запись 20 (резерв)" at the start of a sentence.
std::string Capitalized(const std::string& text) {
  return text.rfind("запись", 0) == 0 ? "З" + text.substr(std::string("з").size()) : text;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string YesNo(bool yes) {
  return Trimmed(kInverseItems[yes ? 1 : 0]);
}

// "1-8, 11, 13-16"; "нет" when the output is bound to no partition.
std::string PartitionList(const OutputSettings& s) {
  std::string text;
  for (int k = 0; k < kPartitionCount;) {
    if (!s.partitions[static_cast<std::size_t>(k)]) {
      ++k;
      continue;
    }
    int last = k;
    while (last + 1 < kPartitionCount && s.partitions[static_cast<std::size_t>(last + 1)]) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(k + 1);
    if (last > k) {
      text += '-';
      text += std::to_string(last + 1);
    }
    k = last + 1;
  }
  return text.empty() ? "нет" : text;
}

// One line of the table: a caption and what one output shows for it.
struct Setting {
  std::string caption;
  std::function<std::string(int output, const OutputSettings&)> text;
};

std::vector<Setting> Settings() {
  std::vector<Setting> rows = {
      {"Режим работы",
       [](int, const OutputSettings& s) {
         return s.modeItem < 0 ? std::string("не выбран")
                               : std::string(kWorkModeNames[static_cast<std::size_t>(s.modeItem)]);
       }},
      {"Размыкание на время",
       [](int n, const OutputSettings& s) { return OpeningTimeText(n, s.opening); }},
      {"Замыкание на время",
       [](int n, const OutputSettings& s) { return ClosingTimeText(n, s.closing); }},
      {"Длительность извещения",
       [](int, const OutputSettings& s) { return FiveSecondText(s.duration); }},
      {"Инверсный режим", [](int, const OutputSettings& s) { return YesNo(s.inverse); }},
  };
  for (std::size_t i = 0; i < kNotifications.size(); ++i) {
    rows.push_back({Trimmed(kNotifications[i].caption),
                    [i](int, const OutputSettings& s) { return YesNo(s.notifications[i]); }});
  }
  rows.push_back(
      {"Привязки к разделам", [](int, const OutputSettings& s) { return PartitionList(s); }});
  return rows;
}

void PrintTable(std::ostream& out, const ReleTable& table) {
  std::array<OutputSettings, kReleCount> outputs;
  for (int n = 1; n <= kReleCount; ++n)
    outputs[static_cast<std::size_t>(n - 1)] = OutputOf(table, n);
  const auto line = [&out](const std::string& caption, const std::array<std::string, 3>& values) {
    static constexpr std::size_t kWidths[] = {kCaptionColumns, kValueColumns, kValueColumns};
    const std::string cells[] = {caption, values[0], values[1], values[2]};
    out << TableLine(cells, kWidths) << '\n';
  };
  line("", {kOutputNames[0], kOutputNames[1], kOutputNames[2]});
  for (const Setting& row : Settings()) {
    line(row.caption, {row.text(1, outputs[0]), row.text(2, outputs[1]), row.text(3, outputs[2])});
  }
}

// The same table for programs: each output's settings as the text shows
// them, the notifications by caption, the partitions by number, and the
// 45 values themselves.
void WriteTable(std::ostream& out, const std::string& file, const ReleTable& table) {
  JsonWriter json(out);
  json.BeginObject().Field("file", file).Key("values").BeginArray();
  for (const std::int32_t v : table) json.Number(v);
  json.EndArray().Key("outputs").BeginArray();
  for (int n = 1; n <= kReleCount; ++n) {
    const OutputSettings s = OutputOf(table, n);
    json.BeginObject().Field("name", kOutputNames[static_cast<std::size_t>(n - 1)]).Key("mode");
    s.modeItem < 0 ? json.Null()
                   : json.String(kWorkModeNames[static_cast<std::size_t>(s.modeItem)]);
    json.Field("closing", ClosingTimeText(n, s.closing))
        .Field("opening", OpeningTimeText(n, s.opening))
        .Field("duration", FiveSecondText(s.duration))
        .Field("inverse", s.inverse)
        .Key("notifications")
        .BeginObject();
    for (std::size_t i = 0; i < kNotifications.size(); ++i) {
      json.Field(Trimmed(kNotifications[i].caption), bool{s.notifications[i]});
    }
    json.EndObject().Key("partitions").BeginArray();
    for (int k = 0; k < kPartitionCount; ++k) {
      if (s.partitions[static_cast<std::size_t>(k)]) json.Number(k + 1);
    }
    json.EndArray().EndObject();
  }
  json.EndArray().EndObject();
  out << '\n';
}

// What an entry holds, for reports about single values.
std::string EntryName(int e) {
  const std::string number = "запись " + std::to_string(e);
  if (e < kPartitionCount) return number + " (привязки раздела " + std::to_string(e + 1) + ")";
  if (rele::IsReserved(e)) return number + " (резерв)";
  if (e == rele::kInvRele) return number + " (инверсный режим)";
  for (const NotificationInfo& n : kNotifications) {
    if (n.entry == e) return number + " (" + Trimmed(n.caption) + ")";
  }
  for (int n = 1; n <= kReleCount; ++n) {
    const std::string output = kOutputNames[static_cast<std::size_t>(n - 1)];
    if (e == rele::ClosingEntry(n)) return number + " (" + output + ", замыкание на время)";
    if (e == rele::OpeningEntry(n)) return number + " (" + output + ", размыкание на время)";
    if (e == rele::DurationEntry(n)) return number + " (" + output + ", длительность извещения)";
    if (e == rele::ModeEntry(n)) return number + " (" + output + ", режим работы)";
  }
  return number;
}

// The window keeps only what its controls can show; says what it drops.
ReleTable AsTheWindowKeepsIt(CommandContext& ctx, std::span<const std::int32_t> raw) {
  const ReleTable table = NormalizeReleSettings(raw);
  for (std::size_t e = 0; e < kReleParamCount; ++e) {
    if (raw[e] == table[e]) continue;
    ctx.ui.ShowMessage(Capitalized(EntryName(static_cast<int>(e))) + ": значение " +
                       std::to_string(raw[e]) + " не хранится, берется " +
                       std::to_string(table[e]) + ".");
  }
  return table;
}

Outcome SaveSettingsFile(CommandContext& ctx, const std::string& path, const ReleTable& table) {
  if (Outcome saved = WriteValueFile(path, table); !saved) {
    ctx.ui.ShowMessage(saved.detail);
    return saved;
  }
  ctx.out << "Файл: " << ShownPath(path) << '\n';
  return {};
}

// The entries that differ after a write, and the verdict.
Outcome Verify(CommandContext& ctx, const ReleTable& written, const std::string& file) {
  const Verdict verdict = ctx.session->ReadBackDifferences(kReleSettingsArea, written, file);
  for (const Difference& d : verdict.differences) {
    ctx.out << Capitalized(EntryName(static_cast<int>(d.index))) << ": записано " << d.written
            << ", в приборе " << d.found << '\n';
  }
  return SayVerdict(ctx, verdict);
}

}  // namespace

Outcome ReadSettingsFile(CommandContext& ctx, const std::string& arg, ReleTable& table) {
  std::vector<std::int32_t> values;
  if (Outcome read = ReadValueFile(InputFile(ctx.programFolder, arg, kSettingsFolder),
                                   kReleParamCount, values);
      !read) {
    ctx.ui.ShowMessage(read.detail);
    return read;
  }
  table = AsTheWindowKeepsIt(ctx, values);
  return {};
}

Outcome RunSettingsRead(CommandContext& ctx) {
  std::vector<std::int32_t> page;
  const Outcome read = OnWorkPage(ctx, DeviceMode::Relay, [&] {
    Result<std::vector<std::int32_t>> got = ctx.session->ReadReleSettings(ctx.options.output);
    if (!got) {
      SayFailure(ctx, msg::kSettingsNotRead);
      return got.outcome();
    }
    page = std::move(*got);
    return Outcome{};
  });
  if (!read) return read;
  const ReleTable table =
      AsTheWindowKeepsIt(ctx, std::span<const std::int32_t>(page).first(kReleParamCount));
  PrintTable(ctx.out, table);
  return ctx.options.output.empty() ? Outcome{} : SaveSettingsFile(ctx, ctx.options.output, table);
}

Outcome RunSettingsWrite(CommandContext& ctx) {
  ReleTable table{};
  if (Outcome read = ReadSettingsFile(ctx, ctx.arguments[0], table); !read) return read;
  const std::string& file = ctx.arguments[0];
  return OnWorkPage(ctx, DeviceMode::Relay, [&] {
    if (Outcome written = ctx.session->WriteReleSettings(table, file); !written) {
      SayFailure(ctx, "Ошибка: настройки реле не загружены в прибор.");
      return written;
    }
    SayOutcome(ctx, "Настройки реле загружены успешно");
    return ctx.options.verify ? Verify(ctx, table, file) : Outcome{};
  });
}

Outcome RunSettingsShow(CommandContext& ctx) {
  ReleTable table{};
  if (Outcome read = ReadSettingsFile(ctx, ctx.arguments[0], table); !read) return read;
  if (ctx.options.json) {
    WriteTable(ctx.out, ctx.arguments[0], table);
  } else {
    PrintTable(ctx.out, table);
  }
  return {};
}

Outcome RunSettingsDiff(CommandContext& ctx) {
  ReleTable a{};
  ReleTable b{};
  if (Outcome read = ReadSettingsFile(ctx, ctx.arguments[0], a); !read) return read;
  if (Outcome read = ReadSettingsFile(ctx, ctx.arguments[1], b); !read) return read;
  struct Change {
    const char* output;
    std::string setting, a, b;
  };
  std::vector<Change> changes;
  const std::vector<Setting> settings = Settings();
  for (int n = 1; n <= kReleCount; ++n) {
    const OutputSettings sa = OutputOf(a, n);
    const OutputSettings sb = OutputOf(b, n);
    for (const Setting& row : settings) {
      std::string ta = row.text(n, sa);
      std::string tb = row.text(n, sb);
      if (ta != tb) {
        changes.push_back({kOutputNames[static_cast<std::size_t>(n - 1)], row.caption,
                           std::move(ta), std::move(tb)});
      }
    }
  }
  if (ctx.options.json) {
    JsonWriter json(ctx.out);
    json.BeginObject().Field("a", ctx.arguments[0]).Field("b", ctx.arguments[1]);
    json.Key("differences").BeginArray();
    for (const Change& c : changes) {
      json.BeginObject().Field("output", c.output).Field("setting", c.setting);
      json.Field("a", c.a).Field("b", c.b).EndObject();
    }
    json.EndArray().EndObject();
    ctx.out << '\n';
    return {};
  }
  for (const Change& c : changes) {
    ctx.out << c.output << ": " << c.setting << ": " << c.a << " -> " << c.b << '\n';
  }
  if (changes.empty()) ctx.out << "Настройки в файлах совпадают.\n";
  return {};
}

Outcome RunSettingsDefaults(CommandContext& ctx) {
  return SaveSettingsFile(ctx, ctx.options.output, kFactoryReleSettings);
}

}  // namespace orten::cli
