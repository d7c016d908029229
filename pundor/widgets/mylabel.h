#pragma once
// Text label with its own colours for the enabled and the disabled state. It
// keeps the size it is given (no automatic sizing); by default it is
// transparent and shows its parent behind the text.
#include <QColor>
#include <QString>

#include "widgets/drawnwidget.h"

class TmyLabel : public TstDrawnWidget {
 public:
  explicit TmyLabel(QWidget* parent = nullptr);
  TmyLabel(const QString& caption, QWidget* parent);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  Qt::Alignment Alignment() const { return alignment_; }
  void SetAlignment(Qt::Alignment alignment);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wrap);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);
  QColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(const QColor& color);
  QColor FontColorDisabled() const { return fontColorDisabled_; }
  void SetFontColorDisabled(const QColor& color);

 protected:
  void Render(QPainter& painter) override;

 private:
  void SetColorField(QColor& field, const QColor& color);

  QString caption_;
  Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignTop;
  bool wordWrap_ = false;
  bool transparent_ = true;
  QColor color_{0x42, 0x42, 0x42};
  QColor fontColor_{0xc0, 0xc0, 0xc0};
  QColor colorDisabled_{0x42, 0x42, 0x42};
  QColor fontColorDisabled_{0x80, 0x80, 0x80};
};
