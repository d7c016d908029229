#include "platform/html_help.h"

#include <signal.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

QString& ViewerOverride() {
  static QString viewer;
  return viewer;
}

QString FindViewer() {
  if (!ViewerOverride().isEmpty()) return ViewerOverride();
  return QStandardPaths::findExecutable(QStringLiteral("xchm"));
}

}  // namespace

void HtmlHelp::SetViewer(const QString& program) { ViewerOverride() = program; }

std::unique_ptr<HtmlHelp> HtmlHelp::Load(LoadResult& result) {
  const QString viewer = FindViewer();
  const QFileInfo file(viewer);
  if (viewer.isEmpty() || !file.exists()) {
    result = LoadResult::ComponentMissing;
    return nullptr;
  }
  if (!file.isExecutable()) {
    result = LoadResult::EntryPointMissing;
    return nullptr;
  }
  result = LoadResult::Loaded;
  return std::unique_ptr<HtmlHelp>(new HtmlHelp(viewer));
}

HtmlHelp::~HtmlHelp() = default;

bool HtmlHelp::DisplayTopic(const QString& helpFile) {
  qint64 pid = 0;
  if (!QProcess::startDetached(viewer_, {helpFile}, QString(), &pid)) return false;
  opened_.push_back(pid);
  return true;
}

void HtmlHelp::CloseAll() {
  for (const qint64 pid : opened_) ::kill(static_cast<pid_t>(pid), SIGTERM);
  opened_.clear();
}

}  // namespace platform
