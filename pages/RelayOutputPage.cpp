#include "pages/RelayOutputPage.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include "widgets/FormParts.h"
#include "widgets/RadioGroup.h"

namespace orten::gui {

namespace {

constexpr int kPanelCount = 4;
constexpr int kRowsPerPanel = kPartitionCount / kPanelCount;
constexpr int kNotificationRows = 6;

// The form's own names of each output's groups and panels.
constexpr std::array<const char*, kReleCount> kBindingsGroupName = {"GroupBox19", "GroupBox3",
                                                                    "GroupBox6"};
constexpr std::array<const char*, kReleCount> kNotificationsGroupName = {"GroupBox21", "GroupBox4",
                                                                         "GroupBox7"};
constexpr std::array<const char*, kReleCount> kExtraGroupName = {"GroupBox9", "GroupBox5",
                                                                 "GroupBox8"};
constexpr std::array<int, kReleCount> kFirstPanelNumber = {109, 1, 5};

// Relative widths of the two columns above and below, as the form has them.
constexpr int kBindingsWidth = 350;
constexpr int kModeWidth = 273;
constexpr int kNotificationsWidth = 401;
constexpr int kExtraWidth = 225;

// The notification captions are long: in the smaller font the form gives
// them on the open-collector page (8 pixels to the window's 11) they fit
// beside the times on every page of an 800-pixel window.
constexpr int kSmallFontNumerator = 8;
constexpr int kSmallFontDenominator = 11;
constexpr int kSmallFontMinPixels = 9;  // still legible on any screen

QString Numbered(const char* base, int output) {
  return QString(base) + QString::number(output);
}

QFrame* Line(QFrame::Shape shape) {
  auto* line = new QFrame();
  line->setFrameShape(shape);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

QCheckBox* MakeCheck(const QString& name, const QString& caption) {
  auto* box = new QCheckBox(caption);
  box->setObjectName(name);
  box->setAccessibleName(caption.trimmed());
  return box;
}

QComboBox* MakeList(const QString& name, const std::vector<std::string>& items) {
  auto* list = new QComboBox();
  list->setObjectName(name);
  list->setEditable(false);  // a drop-down list: the item index is the stored code
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(items.size()));
  for (const std::string& item : items) texts << QString::fromStdString(item);
  list->addItems(texts);
  return list;
}

QFrame* BuildPanel(OutputControls& c, int output, int panel) {
  auto* frame = new QFrame();
  frame->setObjectName("Panel" + QString::number(kFirstPanelNumber[output - 1] + panel));
  frame->setFrameShape(QFrame::Panel);
  frame->setFrameShadow(QFrame::Raised);
  auto* grid = new QGridLayout(frame);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(2);
  for (int row = 0; row < kRowsPerPanel; ++row) {
    const int k = panel * kRowsPerPanel + row + 1;  // partition number
    const auto i = static_cast<std::size_t>(k - 1);
    auto* number = new QLabel(QString::number(k));
    number->setObjectName(QString("PartitionLabel%1_%2").arg(output).arg(k));
    auto* box = new QCheckBox();
    box->setObjectName(QString("privrele%1%2").arg(output).arg(k));
    box->setAccessibleName("Раздел " + QString::number(k));
    number->setBuddy(box);
    c.partitionLabels[i] = number;
    c.privrele[i] = box;
    const int gridRow = 2 * row;
    if (row > 0) grid->addWidget(Line(QFrame::HLine), gridRow - 1, 0, 1, 3);
    grid->addWidget(number, gridRow, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(Line(QFrame::VLine), gridRow, 1);
    grid->addWidget(box, gridRow, 2, Qt::AlignCenter);
  }
  return frame;
}

void BuildBindings(OutputControls& c, int output) {
  c.bindingsGroup = MakeGroup(kBindingsGroupName[output - 1], "Привязки к разделам:");
  auto* row = new QHBoxLayout(c.bindingsGroup);
  for (int p = 0; p < kPanelCount; ++p) {
    c.panels[static_cast<std::size_t>(p)] = BuildPanel(c, output, p);
    row->addWidget(c.panels[static_cast<std::size_t>(p)]);
  }
}

void BuildNotifications(OutputControls& c, int output) {
  c.notificationsGroup =
      MakeGroup(kNotificationsGroupName[output - 1], "Обрабатываемые извещения:");
  const auto stored = [&c, output](Notification n) {
    const NotificationInfo& info = kNotifications[static_cast<std::size_t>(n)];
    QCheckBox* box = MakeCheck(Numbered(info.name, output), info.caption);
    c.notifications[static_cast<std::size_t>(n)] = box;
    return box;
  };
  const auto unused = [output](const char* name, const char* caption) {
    QCheckBox* box = MakeCheck(Numbered(name, output), caption);
    box->setEnabled(false);  // on the form, but never enabled, checked or stored
    return box;
  };
  // Created row by row, so the keyboard walks them as they are read.
  std::array<std::array<QCheckBox*, 2>, kNotificationRows> rows{};
  rows[0] = {stored(Notification::AlarmEvent),
             c.ErrorPower = unused("ErrorPower", "Неисправ. питания (разделы)")};
  rows[1] = {c.BoxDamage = unused("BoxDamage", "Вскрытие (разделы)"),
             stored(Notification::RadioChanBlck)};
  rows[2] = {stored(Notification::OnOffLine), stored(Notification::DamageCD)};
  rows[3] = {stored(Notification::OnOffAllLine), stored(Notification::SelfDamage)};
  rows[4] = {stored(Notification::ErrorFire), stored(Notification::NoLine)};
  rows[5] = {c.NoConnect = unused("NoConnect", "Неисправность РК (разделы)"),
             stored(Notification::PowerCD)};

  QFont small = c.notificationsGroup->font();
  small.setFamilies({"MS Sans Serif"});
  const int pixels = QFontInfo(small).pixelSize() * kSmallFontNumerator / kSmallFontDenominator;
  small.setPixelSize(std::max(pixels, kSmallFontMinPixels));
  for (const auto& row : rows) {
    for (QCheckBox* box : row) box->setFont(small);
  }

  auto* grid = new QGridLayout(c.notificationsGroup);
  grid->setVerticalSpacing(1);
  for (int r = 0; r < kNotificationRows; ++r) {
    if (r > 0) grid->addWidget(Line(QFrame::HLine), 2 * r - 1, 0, 1, 2);
    grid->addWidget(rows[static_cast<std::size_t>(r)][0], 2 * r, 0);
    grid->addWidget(rows[static_cast<std::size_t>(r)][1], 2 * r, 1);
  }
}

QLabel* TimeCaption(const char* base, int output, const QString& text) {
  return MakeCaption(Numbered(base, output), text);
}

void BuildExtra(OutputControls& c, int output) {
  c.extraGroup = MakeGroup(kExtraGroupName[output - 1], "Дополнительно:");
  c.TimeRzmkLabel = TimeCaption("TimeRzmkLabel", output, "Размыкание на время");
  c.TimeRzmk = MakeList(Numbered("TimeRzmk", output), OpeningTimeList(output));
  c.TimeZmkLabel = TimeCaption("TimeZmkLabel", output, "Замыкание на время");
  c.TimeZmk = MakeList(Numbered("TimeZmk", output), ClosingTimeList(output));
  c.TimePeriodLabel = TimeCaption("TimePeriodLabel", output, "Длительность извещения ");
  c.TimePeriodLabel->setWordWrap(true);  // two lines where the column is narrow, as on the form
  c.TimePeriod = MakeList(Numbered("TimePeriod", output), DurationList());
  c.InvReleLabel = TimeCaption("InvReleLabel", output, "Инверсный режим");
  c.InvRele = MakeList(Numbered("InvRele", output), {kInverseItems[0], kInverseItems[1]});
  c.ReleControlLabel = TimeCaption("ReleControlLabel", output, "Управление реле");
  c.ReleControl = MakeList(Numbered("ReleControl", output), {"по команде", "по событию"});
  // On the form but out of use: hidden, locked, never read or written.
  c.ReleControl->setEnabled(false);
  c.ReleControl->hide();
  c.ReleControlLabel->hide();

  // Captions above their lists: side by side they would not leave the
  // notifications room enough.
  auto* column = new QVBoxLayout(c.extraGroup);
  column->setSpacing(2);
  const std::array<std::pair<QLabel*, QComboBox*>, 5> rows = {
      {{c.TimeRzmkLabel, c.TimeRzmk},
       {c.TimeZmkLabel, c.TimeZmk},
       {c.TimePeriodLabel, c.TimePeriod},
       {c.InvReleLabel, c.InvRele},
       {c.ReleControlLabel, c.ReleControl}}};
  for (const auto& [label, list] : rows) {
    Caption(label, list);
    column->addWidget(label);
    column->addWidget(list);
    column->addSpacing(4);
  }
  column->addStretch(1);
}

void BuildWorkMode(OutputControls& c, int output) {
  c.ReleWorkMode = new RadioGroup(
      output == kOpenCollectorOutput ? "Режим работы выхода ОК:" : "Режим работы реле:", 1);
  c.ReleWorkMode->setObjectName(Numbered("ReleWorkMode", output));
  QStringList names;
  for (const char* name : kWorkModeNames) names << name;
  c.ReleWorkMode->setItems(names);
}

}  // namespace

OutputControls BuildOutputPage(QWidget* page, int output) {
  OutputControls c;
  BuildBindings(c, output);
  BuildWorkMode(c, output);
  BuildNotifications(c, output);
  BuildExtra(c, output);

  auto* top = new QHBoxLayout();
  top->addWidget(c.bindingsGroup, kBindingsWidth);
  top->addWidget(c.ReleWorkMode, kModeWidth);
  auto* bottom = new QHBoxLayout();
  bottom->addWidget(c.notificationsGroup, kNotificationsWidth);
  bottom->addWidget(c.extraGroup, kExtraWidth);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top);
  layout->addLayout(bottom);
  layout->addStretch(1);
  return c;
}

}  // namespace orten::gui
