#pragma once
// The open and save file dialogs. While one is shown it is the program's
// "dialog window": another part of the program (a timer) may cancel it.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace platform {

enum class FileDialogKind { Open, Save };

// Everything a file dialog shows; also what the scripted operator records.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::Open;
  QString title;
  // Windows style: "Description|pattern[|Description|pattern...]".
  QString filter;
  QString defaultExtension;
  // The proposed file name (or path).
  QString fileName;
  bool mustExist = false;
  bool confirmOverwrite = false;
};

class FileDialog {
 public:
  explicit FileDialog(FileDialogKind kind);
  ~FileDialog();
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;

  QString Title() const { return request_.title; }
  void SetTitle(const QString& title) { request_.title = title; }
  QString Filter() const { return request_.filter; }
  void SetFilter(const QString& filter) { request_.filter = filter; }
  QString DefaultExt() const { return request_.defaultExtension; }
  void SetDefaultExt(const QString& extension) { request_.defaultExtension = extension; }
  // Before Execute the proposed name; after a successful Execute the chosen path.
  QString FileName() const { return request_.fileName; }
  void SetFileName(const QString& fileName) { request_.fileName = fileName; }
  // The path and the file must exist (open dialogs).
  bool MustExist() const { return request_.mustExist; }
  void SetMustExist(bool mustExist) { request_.mustExist = mustExist; }
  // Ask before overwriting an existing file (save dialogs).
  bool ConfirmOverwrite() const { return request_.confirmOverwrite; }
  void SetConfirmOverwrite(bool confirm) { request_.confirmOverwrite = confirm; }
  const FileDialogRequest& Request() const { return request_; }

  // Shows the dialog modally; true when the user chose a file, which is then
  // in FileName(). OnShow runs once the dialog is up, OnClose when it is gone.
  bool Execute(QWidget* owner = nullptr);
  bool Shown() const;

  // Cancels the dialog if it is shown, once control is back in the event
  // loop; safe to call at any time, also from inside a timer.
  void PostCancel();

  std::function<void(FileDialog* sender)> OnShow;
  std::function<void(FileDialog* sender)> OnClose;

 private:
  std::optional<QString> Ask(QWidget* owner);
  std::optional<QString> RunQtDialog(QWidget* owner);

  FileDialogRequest request_;
  bool shown_ = false;
  // What cancels the dialog while it is shown; shared so that a cancel
  // posted just before the dialog goes away finds nothing to do.
  std::shared_ptr<std::function<void()>> cancel_;
};

// Turns a Windows style filter into Qt name filters; a description that
// names its patterns is shown as written. The dialog matches names in any
// letter case, as Windows does ("*.cal" also shows "A.CAL").
QStringList QtNameFilters(const QString& windowsFilter);

}  // namespace platform
