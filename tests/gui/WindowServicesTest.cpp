// The operating-mode switch, the data folders, help, the status line and
// closing the window.
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>

#include "app/HelpWindow.h"
#include "protocol/DeviceCommands.h"
#include "tests/gui/WindowFixture.h"
#include "widgets/GuardedTabWidget.h"
#include "widgets/RadioGroup.h"

using namespace orten::gui;
using namespace orten::gui::test;
using Kind = ScriptedUi::Kind;

namespace {

const char* const kHelpFile = "KelvoRPU-DEZ-v1_0-help.hlp";

bool Touch(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

struct ModeView {
  bool demo;
  bool connectEnabled;
  bool choiceShown;
};

ModeView View(WindowFixture& f) {
  return {f.form->state().DemoMode, f.Find<QPushButton>("ConnectButton")->isEnabled(),
          !f.Widget("DevOperModeRdG")->isHidden() && !f.Widget("ExecuteButton")->isHidden()};
}

// Types text as key presses; QTest::keyClicks takes Latin-1 only.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

}  // namespace

class WindowServicesTest : public QObject {
  Q_OBJECT

 private slots:
  void operatingMode_data();
  void operatingMode();
  void operatingModeChangesNothingElse();
  void dataFolders_data();
  void dataFolders();
  void help_data();
  void help();
  void guidePictureOpensAtFullSize();
  void guidePicturesAreShownAtTheirOwnSize();
  void statusAndProgressReachWindowAndUser_data();
  void statusAndProgressReachWindowAndUser();
  void closingClosesPipesWithoutDisconnect();
  void closingAfterConnectSendsNothingMore();
};

void WindowServicesTest::operatingMode_data() {
  QTest::addColumn<bool>("startDemo");
  QTest::addColumn<QString>("action");  // "pick N" or "type TEXT"
  QTest::addColumn<bool>("demo");
  QTest::newRow("pick demo") << false << "pick 0" << true;
  QTest::newRow("pick on-line") << true << "pick 1" << false;
  QTest::newRow("typed unknown text, on-line stays") << false << "type abc" << false;
  QTest::newRow("typed unknown text, demo stays") << true << "type abc" << true;
  QTest::newRow("typed демо") << false << "type демо" << true;
  QTest::newRow("typed on-line") << true << "type on-line" << false;
  QTest::newRow("typed in other case is no item") << false << "type ДЕМО" << false;
}

void WindowServicesTest::operatingMode() {
  QFETCH(bool, startDemo);
  QFETCH(QString, action);
  QFETCH(bool, demo);
  WindowFixture f;
  QVERIFY(f.Show());
  auto* box = f.Find<QComboBox>("OperModeCmB");
  box->setCurrentIndex(startDemo ? 0 : 1);
  QCOMPARE(View(f).demo, startDemo);

  const QString argument = action.section(' ', 1);
  if (action.startsWith("pick")) {
    box->setCurrentIndex(argument.toInt());
  } else {
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
    Type(box->lineEdit(), argument);
    QCOMPARE(box->currentText(), argument);
  }

  const ModeView view = View(f);
  QCOMPARE(view.demo, demo);
  QCOMPARE(view.connectEnabled, !demo);
  QCOMPARE(view.choiceShown, demo);
  // Typed text never becomes an item.
  QCOMPARE(box->count(), 2);
}

void WindowServicesTest::operatingModeChangesNothingElse() {
  WindowFixture f;
  QVERIFY(f.Show());
  f.form->MainPageC->setTabVisible(2, true);
  f.form->MainPageC->setCurrentIndex(2);
  f.Find<QPushButton>("DisconnectButton")->setEnabled(true);
  f.Find<QPushButton>("SaveButton")->setEnabled(true);
  const std::uint64_t writesBefore = f.device->received().size();

  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(0);
  f.Find<QComboBox>("OperModeCmB")->setCurrentIndex(1);

  QCOMPARE(f.form->MainPageC->currentIndex(), 2);
  QVERIFY(f.Find<QPushButton>("DisconnectButton")->isEnabled());
  QVERIFY(f.Find<QPushButton>("SaveButton")->isEnabled());
  QCOMPARE(f.device->received().size(), writesBefore);
  QVERIFY(f.ui.events().empty());
}

void WindowServicesTest::dataFolders_data() {
  QTest::addColumn<QStringList>("existing");
  QTest::newRow("none yet") << QStringList{};
  QTest::newRow("Base there") << QStringList{"Base"};
  QTest::newRow("all there") << QStringList{"Reg_RPU", "Base", "ReleCfg"};
}

void WindowServicesTest::dataFolders() {
  QFETCH(QStringList, existing);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  // Existing folders keep what they hold.
  for (const QString& name : existing) {
    QVERIFY(QDir(dir.path()).mkdir(name));
    QVERIFY(Touch(dir.filePath(name + "/keep.txt")));
  }
  // Started from elsewhere: the folders still go into the program's folder.
  QVERIFY(QDir::setCurrent(QDir::tempPath()));

  WindowFixture f(45, dir.path());

  for (const char* name : {"Reg_RPU", "Base", "ReleCfg"}) {
    QVERIFY2(QFileInfo(dir.filePath(name)).isDir(), name);
  }
  for (const QString& name : existing) {
    QVERIFY2(QFile::exists(dir.filePath(name + "/keep.txt")), qPrintable(name));
  }
  const QString canonical = QFileInfo(dir.path()).canonicalFilePath();
  QCOMPARE(QFileInfo(QDir::currentPath()).canonicalFilePath(), canonical);
  QCOMPARE(QFileInfo(QString::fromStdString(f.form->state().ProgramFolder)).canonicalFilePath(),
           canonical);
}

void WindowServicesTest::help_data() {
  QTest::addColumn<bool>("present");
  QTest::addColumn<bool>("opens");
  QTest::addColumn<bool>("guide");
  QTest::addColumn<bool>("guideShown");
  QTest::addColumn<QString>("messageStart");  // empty: no message
  QTest::newRow("present, opens") << true << true << true << false << QString();
  QTest::newRow("present, nothing opens it, guide") << true << false << true << true << QString();
  QTest::newRow("missing, guide") << false << true << true << true << QString();
  QTest::newRow("missing, no guide")
      << false << true << false << false << QString("Не найден файл справки: ");
  QTest::newRow("present, nothing opens it, no guide")
      << true << false << false << false << QString("Не удалось открыть файл справки: ");
}

void WindowServicesTest::help() {
  QFETCH(bool, present);
  QFETCH(bool, opens);
  QFETCH(bool, guide);
  QFETCH(bool, guideShown);
  QFETCH(QString, messageStart);
  WindowFixture f;
  QVERIFY(f.Show());
  const QString path = QDir::toNativeSeparators(QDir(f.Folder()).filePath(kHelpFile));
  if (present) QVERIFY(Touch(path));
  f.ui.SetDocumentOpens(opens);
  // The guide lives apart from the program's data; a guide that was found at
  // start but is gone by now counts as none.
  QTemporaryDir guideDir;
  const QString guidePage = guideDir.filePath("index.html");
  if (guide) {
    QFile page(guidePage);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body><h1>Руководство</h1><img src=\"images/main.png\"></body></html>");
  }
  f.form->state().UserGuide = guidePage.toStdString();

  QTest::mouseClick(f.Find<QPushButton>("Help"), Qt::LeftButton);

  const auto documents = f.ui.Of(Kind::Document);
  QCOMPARE(documents.size(), std::size_t{present ? 1u : 0u});
  if (present) {
    QCOMPARE(QFileInfo(QString::fromStdString(documents[0].text)).canonicalFilePath(),
             QFileInfo(path).canonicalFilePath());
  }
  auto* window = f.form->findChild<QDialog*>("HelpWindow");
  QCOMPARE(window && window->isVisible(), guideShown);
  if (guideShown) {
    auto* browser = window->findChild<QTextBrowser*>("HelpBrowser");
    QCOMPARE(browser->source().toLocalFile(), QFileInfo(guidePage).absoluteFilePath());
    QVERIFY(browser->toPlainText().contains("Руководство"));
    // Pictures resolve against the guide's own folder.
    QCOMPARE(browser->source().resolved(QUrl("images/main.png")).toLocalFile(),
             guideDir.filePath("images/main.png"));
    // Above the guide: where this program's files are, each folder a link.
    const QString folder = QString::fromStdString(f.form->state().ProgramFolder);
    const QString where = window->findChild<QLabel*>("HelpDataFolder")->text();
    QVERIFY2(where.contains(QDir::toNativeSeparators(folder).toHtmlEscaped()), qPrintable(where));
    for (const char* name : {"Base", "Reg_RPU", "ReleCfg"}) {
      const QString link = QUrl::fromLocalFile(QDir(folder).filePath(name)).toString();
      QVERIFY2(where.contains("href=\"" + link + "\""), qPrintable(where));
    }
  }
  const auto messages = f.ui.Of(Kind::Message);
  if (messageStart.isEmpty()) {
    QVERIFY(messages.empty());
    return;
  }
  QCOMPARE(messages.size(), std::size_t{1});
  const QString text = QString::fromStdString(messages[0].text);
  QVERIFY2(text.startsWith(messageStart), qPrintable(text));
  // The user is told exactly which file is meant.
  QVERIFY2(text.contains(QFileInfo(path).fileName()), qPrintable(text));
  QVERIFY2(text.contains(
               QDir::toNativeSeparators(QString::fromStdString(f.form->state().ProgramFolder))),
           qPrintable(text));
}

// A click on one of the guide's pictures opens it in a window of its own,
// without leaving the page.
void WindowServicesTest::guidePictureOpensAtFullSize() {
  QTemporaryDir guideDir;
  QVERIFY(QDir(guideDir.path()).mkpath("images"));
  QImage picture(900, 700, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QVERIFY(picture.save(guideDir.filePath("images/start.png")));
  QFile page(guideDir.filePath("index.html"));
  QVERIFY(page.open(QIODevice::WriteOnly));
  page.write(
      "<html><body><a href=\"images/start.png\"><img src=\"images/start.png\">"
      "</a></body></html>");
  page.close();
  HelpWindow help(page.fileName());
  emit help.browser()->anchorClicked(QUrl("images/start.png"));
  auto* shown = help.findChild<QDialog*>("HelpPicture");
  QVERIFY(shown && shown->isVisible());
  QCOMPARE(shown->findChild<QLabel*>("HelpPictureImage")->pixmap().size(), QSize(900, 700));
  QCOMPARE(help.browser()->source().toLocalFile(), QFileInfo(page.fileName()).absoluteFilePath());
}

// The guide's own pictures, in the help window: drawn pixel for pixel, so
// the small print of the window they show can be read in place. Shrunk
// (an HTML width), the browser scales them without smoothing.
void WindowServicesTest::guidePicturesAreShownAtTheirOwnSize() {
  HelpWindow help(ORTEN_GUIDE_PAGE);
  int pictures = 0;
  for (QTextBlock block = help.browser()->document()->begin(); block.isValid();
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
      if (!image.isValid()) continue;
      ++pictures;
      const QString file = help.browser()->source().resolved(QUrl(image.name())).toLocalFile();
      const QSize size = QImageReader(file).size();
      QVERIFY2(size.isValid(), qPrintable(file));
      QVERIFY2(image.width() == 0 || image.width() == size.width(), qPrintable(file));
      QVERIFY2(image.height() == 0 || image.height() == size.height(), qPrintable(file));
    }
  }
  QVERIFY(pictures >= 7);
}

void WindowServicesTest::statusAndProgressReachWindowAndUser_data() {
  QTest::addColumn<bool>("fromWorker");
  QTest::addColumn<int>("burst");
  QTest::newRow("on the window's thread") << false << 1;
  QTest::newRow("a firmware write's burst from the worker") << true << 2000;
}

// Every status text and percentage reaches the user in the order made, a box
// after all made before it, and the window shows the last of each.
void WindowServicesTest::statusAndProgressReachWindowAndUser() {
  QFETCH(bool, fromWorker);
  QFETCH(int, burst);
  WindowFixture f;
  orten::UserInterface& ui = f.form->link().ui();
  std::vector<std::pair<Kind, std::string>> made;
  const auto update = [&](int i) {
    f.form->SetStatusText(QString::number(i));
    ui.SetProgress(i % 101);
    made.push_back({Kind::Status, std::to_string(i)});
    made.push_back({Kind::Progress, std::to_string(i % 101)});
  };
  const auto work = [&] {
    for (int i = 0; i < burst; ++i) update(i);
    ui.ShowMessage("box", orten::kWarningCaption);
    made.push_back({Kind::Message, "box"});
    update(burst + 7);
  };
  if (fromWorker) {
    OffWindowThread(f.form.get(), work);
  } else {
    work();
  }

  std::vector<std::pair<Kind, std::string>> reached;
  for (const ScriptedUi::Event& e : f.ui.events()) {
    reached.push_back({e.kind, e.kind == Kind::Progress ? std::to_string(e.value) : e.text});
  }
  QVERIFY(reached == made);
  QCOMPARE(f.form->statusText(), QString::number(burst + 7));
  QCOMPARE(f.Find<QProgressBar>("MainProgressB")->value(), (burst + 7) % 101);
}

void WindowServicesTest::closingClosesPipesWithoutDisconnect() {
  WindowFixture f;
  QVERIFY(f.Show());
  QVERIFY(f.form->link().DiscoverDevice());
  const int closesBefore = f.transport.closeCount();
  QVERIFY(f.form->close());
  QCOMPARE(f.transport.closeCount(), closesBefore + 1);
  QVERIFY(!f.transport.device());
  QVERIFY(f.device->received().empty());
}

void WindowServicesTest::closingAfterConnectSendsNothingMore() {
  WindowFixture f;
  QVERIFY(f.Show());
  QVERIFY(f.form->link().DiscoverDevice());
  QVERIFY(orten::SendConnect(f.form->link(), 0xA0));
  const std::vector<std::uint8_t> sent = f.device->received();
  QVERIFY(f.form->close());
  QCOMPARE(f.device->received(), sent);
  QCOMPARE(f.device->disconnectCount(), 0);
  QVERIFY(!f.transport.device());
}

QTEST_MAIN(WindowServicesTest)
#include "WindowServicesTest.moc"
