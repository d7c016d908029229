#include "widgets/mylabel.h"

#include <QPainter>

TmyLabel::TmyLabel(QWidget* parent) : TstDrawnWidget(parent) {}

TmyLabel::TmyLabel(const QString& caption, QWidget* parent) : TstDrawnWidget(parent), caption_(caption) {}

void TmyLabel::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Invalidate();
}

void TmyLabel::SetAlignment(Qt::Alignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TmyLabel::SetWordWrap(bool wrap) {
  if (wrap == wordWrap_) return;
  wordWrap_ = wrap;
  Invalidate();
}

void TmyLabel::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TmyLabel::SetColorField(QColor& field, const QColor& color) {
  if (field == color) return;
  field = color;
  Invalidate();
}

void TmyLabel::SetColor(const QColor& color) { SetColorField(color_, color); }
void TmyLabel::SetFontColor(const QColor& color) { SetColorField(fontColor_, color); }
void TmyLabel::SetColorDisabled(const QColor& color) { SetColorField(colorDisabled_, color); }
void TmyLabel::SetFontColorDisabled(const QColor& color) { SetColorField(fontColorDisabled_, color); }

void TmyLabel::Render(QPainter& painter) {
  const bool enabled = isEnabled();
  if (!transparent_) painter.fillRect(rect(), enabled ? color_ : colorDisabled_);
  painter.setPen(enabled ? fontColor_ : fontColorDisabled_);
  const int flags = int(alignment_) | (wordWrap_ ? Qt::TextWordWrap : Qt::TextSingleLine);
  painter.drawText(rect(), flags, caption_);
}
