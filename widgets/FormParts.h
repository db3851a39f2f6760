#pragma once

#include <QString>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace orten::gui {

// Small builders for the controls every page repeats, so names, captions and
// accessibility are set the same way everywhere.

// A red, bold, word-wrapped headline at the top of a page.
QLabel* MakeHeadline(const QString& name, const QString& text);
// A caption label ("Тип подключенного прибора: "); its accessible name is its text.
QLabel* MakeCaption(const QString& name, const QString& text);
// A label that shows a value the program fills in (a ValueLabel); starts empty.
QLabel* MakeValueLabel(const QString& name);
QGroupBox* MakeGroup(const QString& name, const QString& title);
// A push button; the hint becomes its tooltip.
QPushButton* MakeButton(const QString& name, const QString& caption, const QString& hint = {});

// Ties a caption to the control it captions: the caption's buddy, and the
// control's accessible name taken from the caption (for a value label, its
// accessible description: its name is the value).
void Caption(QLabel* caption, QWidget* field);
// Puts caption and field side by side in row `row` of a grid (field in the
// next column) and ties them together.
void AddCaptionedRow(QGridLayout* grid, int row, QLabel* caption, QWidget* field);

}  // namespace orten::gui
