#include "widgets/FormParts.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "widgets/ValueLabel.h"

namespace orten::gui {

QLabel* MakeHeadline(const QString& name, const QString& text) {
  auto* label = MakeCaption(name, text);
  QFont font = label->font();
  font.setPointSize(10);
  font.setBold(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::red);
  label->setPalette(palette);
  label->setWordWrap(true);
  return label;
}

QLabel* MakeCaption(const QString& name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setAccessibleName(text.trimmed());
  return label;
}

QLabel* MakeValueLabel(const QString& name) {
  auto* label = new ValueLabel();
  label->setObjectName(name);
  return label;
}

QGroupBox* MakeGroup(const QString& name, const QString& title) {
  auto* group = new QGroupBox(title);
  group->setObjectName(name);
  group->setAccessibleName(title.trimmed());
  return group;
}

QPushButton* MakeButton(const QString& name, const QString& caption, const QString& hint) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  button->setAccessibleName(caption.trimmed());
  if (!hint.isEmpty()) {
    button->setToolTip(hint);
    button->setAccessibleDescription(hint);
  }
  return button;
}

void Caption(QLabel* caption, QWidget* field) {
  caption->setBuddy(field);
  // A value label is named by the value it shows; its caption describes it.
  if (qobject_cast<ValueLabel*>(field)) {
    field->setAccessibleDescription(caption->text().trimmed());
  } else {
    field->setAccessibleName(caption->text().trimmed());
  }
}

void AddCaptionedRow(QGridLayout* grid, int row, QLabel* caption, QWidget* field) {
  grid->addWidget(caption, row, 0);
  grid->addWidget(field, row, 1);
  Caption(caption, field);
}

}  // namespace orten::gui
