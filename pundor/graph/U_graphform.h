#pragma once
// The graph window: the table editor's levels as one curve. Dragging in the
// graph changes one level at a time; every change is handed straight on to
// whoever listens (the table editor), which keeps both in step.
#include <QString>
#include <array>
#include <functional>

#include "widgets/captioned_form.h"
#include "graph/orvanta_graph.h"

// One level per raw reading 0..255, in dBm.
using TLevelTable = std::array<double, TDBMSet::kLevelCount>;

class TGraphForm : public TCaptionedForm {
 public:
  TGraphForm();

  // Shows `levels` as the curve named `name`, redrawing once.
  void LoadCurve(const TLevelTable& levels, const QString& name);

  TstPanel* P;
  TOrvantaGraph* Graph;
  TDBMSet* Set;  // owned by Graph
  TstSpeedButton* stSpeedButton3;

  // A level was dragged to `level` at raw value `raw`.
  std::function<void(int raw, double level)> OnLevelDragged;

  void OnDBMChanged(TOrvantaGraph* graph, TDBMSet* set, int raw);
  void stSpeedButton3Click();
};

extern TGraphForm* GraphForm;
