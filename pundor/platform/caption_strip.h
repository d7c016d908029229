#pragma once
// A borderless window's own caption strip: pressing the left button on the
// strip and moving drags the whole window, as a title bar would.
#include <QColor>
#include <initializer_list>

class QWidget;

namespace platform {

// Makes `strip` drag its window. Mouse input on the `passThrough` widgets
// (the caption label, say) goes to the strip, so they drag too; buttons on
// the strip keep their clicks. The strip owns the installed behaviour.
void MakeCaptionStrip(QWidget* strip, std::initializer_list<QWidget*> passThrough = {});

// The colours of a caption strip while its window is active or inactive.
struct CaptionColours {
  QColor background;
  QColor text;
};
CaptionColours CaptionColoursFor(bool active);

}  // namespace platform
