#include "widgets/stalignedit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

namespace {

QChar TypedChar(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return QChar(keychar::kEnter);
    case Qt::Key_Escape:
      return QChar(keychar::kEscape);
    case Qt::Key_Backspace:
      return QChar(keychar::kBackspace);
    default:
      return event->text().size() == 1 ? event->text().at(0) : QChar();
  }
}

}  // namespace

TstAlignEdit::TstAlignEdit(QWidget* parent) : Guarded(parent) {
  setFrame(false);
  ApplyColors();
}

void TstAlignEdit::SetColor(const QColor& color) {
  color_ = color;
  ApplyColors();
}

void TstAlignEdit::SetFontColor(const QColor& color) {
  fontColor_ = color;
  ApplyColors();
}

void TstAlignEdit::SetFontColorDisabled(const QColor& color) {
  fontColorDisabled_ = color;
  ApplyColors();
}

QColor TstAlignEdit::CurrentFontColor() const { return isEnabled() ? fontColor_ : fontColorDisabled_; }

void TstAlignEdit::ApplyColors() {
  QPalette colors = palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colors.setColor(group, QPalette::Base, color_);
    colors.setColor(group, QPalette::Window, color_);
    colors.setColor(group, QPalette::Text, group == QPalette::Disabled ? fontColorDisabled_ : fontColor_);
  }
  setPalette(colors);
  update();
}

void TstAlignEdit::KeyPress(QChar&) {}

QString TstAlignEdit::TextWithoutSelection() const {
  QString rest = text();
  if (hasSelectedText()) rest.remove(selectionStart(), selectedText().size());
  return rest;
}

void TstAlignEdit::keyPressEvent(QKeyEvent* event) {
  int key = event->key();
  if (OnKeyDown) OnKeyDown(this, key, event->modifiers());
  if (key == 0) return;
  const QChar typed = TypedChar(event);
  if (typed.isNull()) return QLineEdit::keyPressEvent(event);
  QChar ch = typed;
  KeyPress(ch);
  if (OnKeyPress) OnKeyPress(this, ch);
  if (ch.isNull()) return;
  if (ch == typed) return QLineEdit::keyPressEvent(event);
  QKeyEvent replaced(event->type(), Qt::Key_unknown, event->modifiers(), QString(ch));
  QLineEdit::keyPressEvent(&replaced);
}

void TstAlignEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (autoSelect_)
    selectAll();
  else
    end(false);
}
