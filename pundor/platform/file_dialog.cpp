#include "platform/file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QRegularExpression>

#include "platform/operator.h"

namespace platform {
namespace {

// "*.cal;*.txt" -> "*.cal *.txt"
QString PatternList(const QString& patterns) {
  QStringList result;
  for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    result << pattern.trimmed();
  return result.join(QLatin1Char(' '));
}

// Qt reads the patterns from the last parentheses of a filter's text.
QString TrailingPatterns(const QString& description) {
  static const QRegularExpression trailingParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
  return trailingParentheses.match(description).captured(1).simplified();
}

}  // namespace

// A description whose parentheses already name the patterns, in any letter
// case ("Files (*.CAL)" for "*.cal"), is shown as written: the dialog matches
// names in any letter case. Others get the patterns appended.
QStringList QtNameFilters(const QString& windowsFilter) {
  const QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString patterns = PatternList(parts[i + 1]);
    if (TrailingPatterns(description).compare(patterns, Qt::CaseInsensitive) == 0)
      filters << description;
    else
      filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters;
}

FileDialog::FileDialog(FileDialogKind kind) : cancel_(std::make_shared<std::function<void()>>()) {
  request_.kind = kind;
}

FileDialog::~FileDialog() { *cancel_ = nullptr; }

bool FileDialog::Shown() const { return shown_; }

bool FileDialog::Execute(QWidget* owner) {
  shown_ = true;
  if (OnShow) OnShow(this);
  const std::optional<QString> chosen = Ask(owner);
  *cancel_ = nullptr;
  shown_ = false;
  if (chosen) request_.fileName = *chosen;
  if (OnClose) OnClose(this);
  return chosen.has_value();
}

void FileDialog::PostCancel() {
  std::weak_ptr<std::function<void()>> cancel = cancel_;
  QMetaObject::invokeMethod(
      qApp,
      [cancel] {
        if (const auto action = cancel.lock(); action && *action) (*action)();
      },
      Qt::QueuedConnection);
}

std::optional<QString> FileDialog::Ask(QWidget* owner) {
  if (Operator* op = InstalledOperator()) return op->AnswerDialog(request_, *cancel_);
  return RunQtDialog(owner);
}

std::optional<QString> FileDialog::RunQtDialog(QWidget* owner) {
  if (NobodyAtScreen()) return std::nullopt;
  QFileDialog dialog(owner ? owner : QApplication::activeWindow(), request_.title);
  QPointer<QFileDialog> guard(&dialog);
  *cancel_ = [guard] {
    if (guard) guard->reject();
  };
  const bool opening = request_.kind == FileDialogKind::Open;
  dialog.setAcceptMode(opening ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(opening && request_.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request_.confirmOverwrite);
  dialog.setNameFilters(QtNameFilters(request_.filter));
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  dialog.setDefaultSuffix(request_.defaultExtension);
  if (!request_.fileName.isEmpty()) dialog.selectFile(request_.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace platform
