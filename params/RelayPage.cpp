#include "params/RelayPage.h"

#include <QTabWidget>
#include <QVBoxLayout>

namespace orten::gui {

namespace {

QWidget* MakeOutputPage(QTabWidget* pages, const QString& name, const QString& caption) {
  auto* page = new QWidget();
  page->setObjectName(name);
  page->setAccessibleName(caption);
  pages->addTab(page, caption);
  return page;
}

}  // namespace

RelayPage::RelayPage(QWidget* parent) : QWidget(parent) {
  setObjectName("ReleSettingsTabSh");
  setAccessibleName("Режимы реле и выхода ОК");

  ReleOKPageC = new QTabWidget();
  ReleOKPageC->setObjectName("ReleOKPageC");
  ReleOKPageC->setAccessibleName("Выходы");
  Rele1TabSh = MakeOutputPage(ReleOKPageC, "Rele1TabSh", "Реле №1");
  Rele2TabSh = MakeOutputPage(ReleOKPageC, "Rele2TabSh", "Реле №2");
  OK1TabSh = MakeOutputPage(ReleOKPageC, "OK1TabSh", "Выход ОК №1");
  outputPages = {Rele1TabSh, Rele2TabSh, OK1TabSh};
  ReleOKPageC->setCurrentIndex(0);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(0, 0, 0, 0);
  page->addWidget(ReleOKPageC);
}

}  // namespace orten::gui
