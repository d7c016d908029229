#pragma once
// Every control of the library carries a Tag, a free integer for the window
// that owns it. Panels read it to decide which children follow their enabled
// state, the mode stepper keeps its mode index in it.

class TTagged {
 public:
  virtual ~TTagged() = default;
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

 private:
  int tag_ = 0;
};
