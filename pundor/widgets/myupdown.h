#pragma once
// Up-down control: an up arrow, a 3-pixel middle bar and a down arrow. The
// arrows (with press and repeat) and the wheel report +1 or -1 through
// OnDirection and step a linked frequency or integer field by Step; dragging
// the middle bar reports the signed pixel distance moved (positive upwards)
// and changes the fields by that many steps.
#include <QColor>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/guarded.h"
#include "widgets/tagged.h"

class TmyFrequencyEdit;
class TmyIntEdit;
class TstSpeedButton;
class QMouseEvent;

class TmyUpDown : public platform::Guarded<QWidget>, public TTagged {
 public:
  explicit TmyUpDown(QWidget* parent = nullptr);
  ~TmyUpDown() override;

  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor ColorDisabled() const { return colorDisabled_; }
  void SetColorDisabled(const QColor& color);
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& color);
  QColor FontColorDisabled() const { return fontColorDisabled_; }
  void SetFontColorDisabled(const QColor& color);
  int ShadowOffset() const { return shadowOffset_; }
  void SetShadowOffset(int offset);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int Speed() const;
  void SetSpeed(int ms);
  int Delay() const;
  void SetDelay(int ms);
  int32_t Step() const { return step_; }
  void SetStep(int32_t step) { step_ = step; }

  // Linking a field also tells the field its up-down, for the wheel.
  TmyFrequencyEdit* FrequencyEdit() const;
  void SetFrequencyEdit(TmyFrequencyEdit* edit);
  TmyIntEdit* IntEdit() const;
  void SetIntEdit(TmyIntEdit* edit);

  // One step for one wheel message, up for a positive delta.
  void WheelStep(int delta);

  TstSpeedButton* UpButton() const { return up_; }
  TstSpeedButton* DownButton() const { return down_; }
  TstSpeedButton* MiddleBar() const { return middle_; }

  std::function<void(TmyUpDown*, int)> OnDirection;
  std::function<void(TmyUpDown*)> OnMiddleStart;
  std::function<void(TmyUpDown*)> OnMiddleEnd;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Limits { InStepDirection, Both };

  void StepUp();
  void StepDown();
  void StepFields(int64_t amount, Limits limits, bool intFirst);
  void ApplyColors();
  void MiddlePressed(QMouseEvent* event);
  void MiddleMoved(QMouseEvent* event);
  void MiddleReleased();

  QColor color_{0x63, 0x63, 0x63};
  QColor colorDisabled_{0x63, 0x63, 0x63};
  QColor fontColor_{0x00, 0xff, 0x00};
  QColor fontColorDisabled_{0x80, 0x80, 0x80};
  int shadowOffset_ = 50;
  int bevelWidth_ = 3;
  int32_t step_ = 1;
  QPointer<TmyFrequencyEdit> frequencyEdit_;
  QPointer<TmyIntEdit> intEdit_;

  TstSpeedButton* up_;
  TstSpeedButton* middle_;
  TstSpeedButton* down_;

  bool dragging_ = false;
  bool dragStarted_ = false;
  bool skipNextMove_ = false;  // the pointer was just wrapped to the other screen edge
  int lastY_ = 0;
};
