// What the window looks like whatever it shows: Russian in Qt's own dialogs
// and menus, 800 x 600 with long values and long lists, values a screen
// reader can read, and files typed by their names in the file dialogs.
#include <QAccessible>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <memory>

#include "firmware/FirmwareLibrary.h"
#include "protocol/DeviceCommands.h"
#include "tests/gui/WindowFixture.h"
#include "widgets/DeviceChoiceDialog.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/QtUserInterface.h"
#include "widgets/ValueLabel.h"

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

using namespace orten;
using namespace orten::gui;
using namespace orten::gui::test;

namespace {

QString Accessible(QWidget* w, QAccessible::Text kind) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
  return iface ? iface->text(kind) : QStringLiteral("<no interface>");
}

// The tooltip a user gets by resting the pointer on the widget.
QString ToolTipOf(QWidget* w) {
  QToolTip::hideText();
  const QPoint at(w->width() / 2, w->height() / 2);
  QHelpEvent event(QEvent::ToolTip, at, w->mapToGlobal(at));
  QCoreApplication::sendEvent(w, &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// Settles the layouts after a change, as the event loop would: a group's
// new size reaches the window only a few layout passes later.
void Settle() {
  for (int pass = 0; pass < 4; ++pass) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
  }
}

// Every control a page may show, shown at once, on the page of `label`.
void ShowEverything(WindowFixture& f, const QString& label) {
  for (const char* name : {"DevOperModeRdG", "SWVersionRdG", "ExecuteButton", "SoftUpdateGrB"}) {
    f.Widget(name)->show();
  }
  f.form->MainPageC->setTabVisible(1, true);
  f.form->MainPageC->setTabVisible(2, true);
  const QWidget* page = f.Widget(label.toLatin1().constData())->parentWidget();
  while (page && page->objectName() != "RegistBackupTabSh" &&
         page->objectName() != "UpdateSoftTabSh") {
    page = page->parentWidget();
  }
  if (page) f.form->MainPageC->setCurrentWidget(const_cast<QWidget*>(page));
}

const QString kLongName = QString("DEZ_RPU_3_081226_object_") + QString(164, '7') + "_conf_17.rrg";

// Sees whether a file is opened, from its making on (inotify; elsewhere it
// sees nothing).
class OpenWatch {
 public:
  explicit OpenWatch([[maybe_unused]] const QString& path) {
#ifdef Q_OS_LINUX
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    watching_ = inotify_add_watch(fd_, QFile::encodeName(path).constData(), IN_OPEN) >= 0;
#endif
  }
  ~OpenWatch() {
#ifdef Q_OS_LINUX
    close(fd_);
#endif
  }
  bool watching() const {
    return watching_;
  }
  bool opened() const {
#ifdef Q_OS_LINUX
    char events[4096];
    return read(fd_, events, sizeof events) > 0;
#else
    return false;
#endif
  }

 private:
  int fd_ = -1;
  bool watching_ = true;
};

}  // namespace

class AppearanceTest : public QObject {
  Q_OBJECT

 private slots:
  void qtTextsAreRussian();
  void valueLabels_data();
  void valueLabels();
  void longProposedBackupNameKeepsTheWindow();
  void manyFirmwareFilesKeepTheWindow_data();
  void manyFirmwareFilesKeepTheWindow();
  void qtBoxes_data();
  void qtBoxes();
  void fileDialogTypesByName_data();
  void fileDialogTypesByName();
  void deviceChooser_data();
  void deviceChooser();
};

void AppearanceTest::qtTextsAreRussian() {
  WindowFixture f;  // as the program starts: Qt's Russian translations loaded
  QFileDialog save;
  save.setOption(QFileDialog::DontUseNativeDialog);
  save.setAcceptMode(QFileDialog::AcceptSave);
  QFileDialog open;
  open.setOption(QFileDialog::DontUseNativeDialog);
  const auto label = [&](const char* name) { return save.findChild<QLabel*>(name)->text(); };
  const auto button = [](QFileDialog& d, QDialogButtonBox::StandardButton which) {
    QPushButton* b = d.findChild<QDialogButtonBox*>()->button(which);
    return b ? b->text() : QString();
  };
  QLineEdit edit;
  std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
  QStringList actions;
  for (const QAction* a : menu->actions()) actions << a->text().section('\t', 0, 0);

  const std::pair<QString, QString> texts[] = {
      {label("lookInLabel"), "Перейти к:"},
      {label("fileNameLabel"), "&Имя файла:"},
      {label("fileTypeLabel"), "Типы файлов:"},
      {button(save, QDialogButtonBox::Save), "&Сохранить"},
      {button(open, QDialogButtonBox::Open), "&Открыть"},
      {button(save, QDialogButtonBox::Cancel), "Отмена"},
  };
  for (const auto& [shown, russian] : texts) QCOMPARE(shown, russian);
  for (const char* item : {"&Отменить действие", "&Копировать", "В&ставить"}) {
    QVERIFY2(actions.contains(item), qPrintable(actions.join(" | ")));
  }
}

void AppearanceTest::valueLabels_data() {
  QTest::addColumn<QString>("label");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("value");  // the longest the program puts there
  QTest::addColumn<bool>("elided");
  const QString receiver = QString::fromStdString(DeviceTypeText(DeviceMode::Receiver));
  const QString version = QString::fromStdString(VersionText(255, DeviceMode::Receiver));
  QTest::newRow("device type") << "DevTypeLabel2"
                               << "Тип подключенного прибора:" << receiver << false;
  QTest::newRow("version") << "CurrentSoftVerLabel2"
                           << "Текущая версия ПО:" << version << false;
  QTest::newRow("new version") << "NewSoftVerLabel2"
                               << "Новая версия ПО:" << version << false;
  QTest::newRow("firmware file") << "SoftFNameLabel2"
                                 << "Имя файла обновления:" << kLongName << true;
  QTest::newRow("firmware type") << "SoftFTypeLabel2"
                                 << "Тип файла обновления:" << QString(msg::kReceiverFirmwareType)
                                 << false;
  QTest::newRow("file date") << "SoftFDateLabel2"
                             << "Дата файла обновления:"
                             << "31.12.2026" << false;
  QTest::newRow("file size") << "SoftFSizeLabel2"
                             << "Размер файла обновления(байт):"
                             << "4294967295" << false;
  QTest::newRow("backup device type") << "Dev2TypeLabel2"
                                      << "Тип подключенного прибора:" << receiver << false;
  QTest::newRow("backup file") << "RegFNameLabel2"
                               << "Имя файла резервной копии:" << kLongName << true;
  QTest::newRow("configuration code") << "ConfCodeLabel2"
                                      << "Код конфигурации:"
                                      << "255" << false;
  QTest::newRow("status line") << "MainStatusText"
                               << "Состояние"
                               << "Не удалось удалить файл регистрации " + kLongName +
                                      ": Permission denied."
                               << true;
}

// Any value in its longest form leaves the window 800 x 600; a value that
// does not fit is cut with the whole text in the tooltip; a screen reader
// reads the value itself, with the caption as its description.
void AppearanceTest::valueLabels() {
  QFETCH(QString, label);
  QFETCH(QString, caption);
  QFETCH(QString, value);
  QFETCH(bool, elided);
  WindowFixture f;
  QVERIFY(f.Show());
  ShowEverything(f, label);
  auto* shown = f.Find<QLabel>(label.toLatin1().constData());
  QVERIFY(qobject_cast<ValueLabel*>(shown));
  shown->setText(value);  // as the handlers set it, through a plain QLabel pointer
  Settle();

  QCOMPARE(f.form->size(), QSize(800, 600));
  QVERIFY(f.form->minimumSizeHint().width() <= 800);
  QVERIFY(shown->mapTo(f.form.get(), QPoint(shown->width(), 0)).x() <= 800);
  QCOMPARE(static_cast<ValueLabel*>(shown)->isElided(), elided);
  QCOMPARE(ToolTipOf(shown), elided ? value : QString());
  QCOMPARE(Accessible(shown, QAccessible::Name), value);
  QCOMPARE(Accessible(shown, QAccessible::Description), caption);

  shown->clear();  // kept up to date: a cleared value reads empty, not stale
  QCOMPARE(Accessible(shown, QAccessible::Name), QString());
}

// The case that used to widen the window to 859 px: saving a backup proposes
// a long name. On the way, the device type and the status line read as they show.
void AppearanceTest::longProposedBackupNameKeepsTheWindow() {
  WindowFixture f(120);
  QVERIFY(f.Show());
  f.Click("ConnectButton");
  f.Click("ExecuteButton");
  QCOMPARE(Accessible(f.Widget("Dev2TypeLabel2"), QAccessible::Name),
           QString::fromStdString(DeviceTypeText(DeviceMode::Receiver)));
  f.Click("RegBackupCreateButton");
  f.Pick("RPU_RTRRadioGr", 0);
  f.Find<QComboBox>("ModuleNumCmB")->setEditText("3");
  f.Find<QLineEdit>("ObjNumEdit")->setText(QString(169, '7'));
  f.Click("ReadButton");
  QVERIFY(!f.form->MainProgressB->isTextVisible());  // the plain bar, no percentage
  f.Click("SaveButton");                             // cancelled: the proposed name stays on show
  Settle();

  auto* name = f.Find<QLabel>("RegFNameLabel2");
  QCOMPARE(name->text().size(), 200);
  QCOMPARE(f.form->size(), QSize(800, 600));
  QCOMPARE(ToolTipOf(name), name->text());
  QCOMPARE(Accessible(name, QAccessible::Name), name->text());
  QCOMPARE(Accessible(f.Widget("MainStatusText"), QAccessible::Name),
           QString("Сохранение сведений о регистрации в файл"));  // cancelled, as it was
}

// The other family's firmware files scroll in their list: any number leaves
// the window 800 x 600, and the last can be picked.
void AppearanceTest::manyFirmwareFilesKeepTheWindow_data() {
  QTest::addColumn<int>("files");
  QTest::newRow("one") << 1;
  QTest::newRow("forty") << 40;
  QTest::newRow("a thousand") << 1000;
}

void AppearanceTest::manyFirmwareFilesKeepTheWindow() {
  QFETCH(int, files);
  WindowFixture f(45);  // the relay module, offered the receiver's files
  QVERIFY(f.Show());
  for (int i = 0; i < files; ++i) f.PutFirmware("RPU_" + QString::number(100 + i), 100);
  f.Click("ConnectButton");
  f.ui.AnswerYes();  // to the change of firmware
  f.Pick("DevOperModeRdG", 0);
  Settle();

  const auto* list = f.Find<RadioGroup>("SWVersionRdG");
  QCOMPARE(list->count(), files);
  QCOMPARE(f.form->size(), QSize(800, 600));
  const QWidget* pages = f.Widget("MainPageC");
  QVERIFY(list->isVisible());
  QVERIFY(list->mapTo(f.form.get(), QPoint(0, list->height())).y() <=
          pages->mapTo(f.form.get(), QPoint(0, pages->height())).y());
  f.Pick("SWVersionRdG", files - 1);
  QCOMPARE(f.Find<QLabel>("SoftFNameLabel2")->text(), list->itemText(files - 1));
}

// The real boxes, as the user gets them: the icon asked for, and the text
// shown as it is (a file's content quoted in a message is never markup).
void AppearanceTest::qtBoxes_data() {
  QTest::addColumn<bool>("question");
  QTest::addColumn<int>("icon");
  QTest::addColumn<int>("expected");
  QTest::newRow("error box") << false << int(BoxIcon::Error) << int(QMessageBox::Critical);
  QTest::newRow("plain box") << false << int(BoxIcon::None) << int(QMessageBox::NoIcon);
  QTest::newRow("delete question") << true << int(BoxIcon::Question) << int(QMessageBox::Question);
  QTest::newRow("plain question") << true << int(BoxIcon::None) << int(QMessageBox::NoIcon);
}

void AppearanceTest::qtBoxes() {
  QFETCH(bool, question);
  QFETCH(int, icon);
  QFETCH(int, expected);
  QtUserInterface ui;
  const std::string text = "Файл <b>x</b>.cfg";
  QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
  Qt::TextFormat shownFormat = Qt::AutoText;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    shownIcon = box->icon();
    shownFormat = box->textFormat();
    box->reject();
  });
  if (question) {
    QVERIFY(!ui.AskYesNo(text, kSystemCaption, static_cast<BoxIcon>(icon)));
  } else {
    ui.ShowMessage(text, kAppTitle, static_cast<BoxIcon>(icon));
  }
  QCOMPARE(int(shownIcon), expected);
  QCOMPARE(shownFormat, Qt::PlainText);
}

// The file dialogs type a file by its name. Qt's own guess opens every file
// whose suffix it does not know, on the window's thread, and calls an .rrg
// holding an image's bytes an image.
void AppearanceTest::fileDialogTypesByName_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("type");
  QTest::newRow("backup") << "DEZ_RPU_3_081226_7.rrg"
                          << "Файл RRG";
  QTest::newRow("settings") << "rele.cfg"
                            << "Файл CFG";
  QTest::newRow("firmware, no suffix") << "RPU_130"
                                       << "Файл";
}

void AppearanceTest::fileDialogTypesByName() {
  QFETCH(QString, name);
  QFETCH(QString, type);
  QTemporaryDir dir;
  const QString path = dir.filePath(name);
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x89PNG\r\n\x1a\n", 8) == 8);
  file.close();
  // Windows has no permission that keeps the owner from reading.
#ifndef _WIN32
  QVERIFY(file.setPermissions({}));  // content that cannot be read, but for root
#endif
  const OpenWatch watch(path);
  QVERIFY(watch.watching());

  QtUserInterface ui;
  const std::unique_ptr<QFileDialog> dialog =
      ui.NewFileDialog({"Открыть", dir.path().toStdString(), "", "", ""}, QFileDialog::AcceptOpen);
  auto* model = dialog->findChild<QFileSystemModel*>();
  // Qt's windows platform shows the system's own dialog, which types files itself.
  if (!model) QSKIP("the system's file dialog, not Qt's");
  // The listing may finish before a spy could see it (Windows, under wine): wait for the row.
  QTRY_COMPARE_WITH_TIMEOUT(model->index(path, 2).data().toString(), type,
                            10000);  // the column "Type"
  QVERIFY(!watch.opened());
}

// "Выбор прибора" as the user works it: a row per device with its maker,
// product, IDs, port and access, the first one chosen to begin with.
void AppearanceTest::deviceChooser_data() {
  QTest::addColumn<int>("row");     // the row clicked first; -1: none
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("chosen");  // -1: nothing chosen
  QTest::newRow("first row as offered") << -1 << "DeviceChoiceOkButton" << 0;
  QTest::newRow("second row") << 1 << "DeviceChoiceOkButton" << 1;
  QTest::newRow("cancelled") << 1 << "DeviceChoiceCancelButton" << -1;
}

void AppearanceTest::deviceChooser() {
  QFETCH(int, row);
  QFETCH(QString, button);
  QFETCH(int, chosen);
  const DeviceChoice choice{"Выбор прибора",
                            "Идентификаторы USB прибора не заданы.",
                            {{"16c0:05dc", "Orten", "RPU <b>", "1-2", true},
                             {"16c0:05df", "", "", "1-3", false},
                             {"16c0:05de", "Orten", "MRO", "1-4", std::nullopt}}};
  QStringList rows;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<DeviceChoiceDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), "Выбор прибора");
    QTreeWidget* list = dialog->findChild<QTreeWidget*>("DeviceChoiceList");
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
      QStringList cells;
      for (int c = 0; c < list->columnCount(); ++c) cells << list->topLevelItem(i)->text(c);
      rows << cells.join('|');
    }
    if (row >= 0) {
      QTreeWidgetItem* item = list->topLevelItem(row);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                        list->visualItemRect(item).center());
    }
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
  });
  QtUserInterface ui;
  const std::optional<std::size_t> got = ui.ChooseDevice(choice);
  QCOMPARE(got ? int(*got) : -1, chosen);
  QCOMPARE(rows, (QStringList{"Orten|RPU <b>|16c0:05dc|1-2|есть",
                              "?|?|16c0:05df|1-3|нет (нужно правило udev)",
                              "Orten|MRO|16c0:05de|1-4|неизвестно"}));
}

QTEST_MAIN(AppearanceTest)
#include "AppearanceTest.moc"
