#include "app/RussianLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orten::gui {

bool UseRussianLanguage() {
  static bool loaded = false;
  static QTranslator* installed = nullptr;
  if (installed) return loaded;
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  QLocale::setDefault(russian);
  // Owned by the application: it lives exactly as long as the texts it serves.
  installed = new QTranslator(QCoreApplication::instance());
  // The Windows build carries them inside (nothing installs Qt's translations
  // there); elsewhere they come with the system's Qt.
  for (const QString& folder :
       {QStringLiteral(":/translations"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
    loaded = installed->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
    if (loaded) break;
  }
  if (loaded) QCoreApplication::installTranslator(installed);
  return loaded;
}

}  // namespace orten::gui
