#pragma once
// Single-line entry field with the library's colours and an alignment. Keys
// run through two notifications before the field edits: OnKeyDown with the key
// code (set it to 0 to drop the key), then, for keys that type a character,
// the field's own KeyPress filter and OnKeyPress with the character (set it to
// a null QChar to drop it, or change it to type another one). Enter, Escape
// and Backspace arrive there as the characters 13, 27 and 8.
#include <QColor>
#include <QLineEdit>
#include <functional>

#include "platform/guarded.h"
#include "widgets/tagged.h"

class TstAlignEdit : public platform::Guarded<QLineEdit>, public TTagged {
 public:
  explicit TstAlignEdit(QWidget* parent = nullptr);

  Qt::Alignment Alignment() const { return alignment(); }
  void SetAlignment(Qt::Alignment alignment) { setAlignment(alignment); }
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);
  QColor FontColorDisabled() const { return fontColorDisabled_; }
  void SetFontColorDisabled(const QColor& color);
  // Select the whole text when the field receives the focus.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }

  std::function<void(TstAlignEdit*, int& key, Qt::KeyboardModifiers)> OnKeyDown;
  std::function<void(TstAlignEdit*, QChar& ch)> OnKeyPress;

 protected:
  // The field's own treatment of a typed character, before OnKeyPress.
  virtual void KeyPress(QChar& ch);
  // The text as it will be once the typed character replaces the selection.
  QString TextWithoutSelection() const;
  // Text colour for the current enabled state.
  QColor CurrentFontColor() const;

  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void ApplyColors();

  QColor color_{0, 0, 0};
  QColor fontColor_{0xff, 0xff, 0xff};
  QColor fontColorDisabled_{0x80, 0x80, 0x80};
  bool autoSelect_ = true;
};

namespace keychar {
constexpr char16_t kBackspace = 8;
constexpr char16_t kEnter = 13;
constexpr char16_t kEscape = 27;
}  // namespace keychar
