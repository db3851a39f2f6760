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
  loaded = installed->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (loaded) QCoreApplication::installTranslator(installed);
  return loaded;
}

}  // namespace orten::gui
