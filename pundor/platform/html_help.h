#pragma once
// The help viewer. The program asks for the HTML Help component
// ("hhctrl.ocx"); on Linux that is the desktop's CHM viewer, and a missing
// viewer is the component being missing.
#include <QString>
#include <memory>
#include <vector>

namespace platform {

class HtmlHelp {
 public:
  enum class LoadResult { Loaded, ComponentMissing, EntryPointMissing };

  // Binds the viewer; null with the reason in `result` when it cannot.
  static std::unique_ptr<HtmlHelp> Load(LoadResult& result);
  ~HtmlHelp();

  // Opens the help file in the viewer.
  bool DisplayTopic(const QString& helpFile);
  // Closes every viewer this program opened.
  void CloseAll();

  // The viewer program; tests replace it. Empty: "xchm" on the search path.
  static void SetViewer(const QString& program);

 private:
  explicit HtmlHelp(QString viewer) : viewer_(std::move(viewer)) {}
  QString viewer_;
  std::vector<qint64> opened_;
};

}  // namespace platform
