// The commands of the main window's "Frequencies" group: Add, Edit, Delete
// and Copy. Levels reach the table only as whole columns through PutDBMs.
#include <vector>

#include "forms/U_addfqform.h"
#include "forms/U_copyform.h"
#include "forms/U_mainform.h"
#include "forms/U_tableform.h"
#include "forms/calibration_library.h"
#include "forms/known_receivers.h"
#include "receivers/text_helpers.h"
#include "platform/message_box.h"
#include "receivers/velkaro_api.h"
#include "widgets/frequencyedit.h"
#include "widgets/stpanel.h"
#include "widgets/stringgrid.h"


using platform::MessageButtons;
using platform::MessageIcon;
using platform::ModalResult;

namespace {

int64_t SelectedFrequency(TStringGrid* list) { return list->Cells(1, list->Row()).toLongLong(); }

// Limits `frequency` to the open receiver's range, telling the operator.
int64_t AlignToReceiver(int64_t frequency, int64_t minimum, int64_t maximum) {
  const char* relation = nullptr;
  int64_t limit = frequency;
  if (frequency > maximum) {
    relation = "is grater than maximum";
    limit = maximum;
  } else if (frequency < minimum) {
    relation = "is less than minimum";
    limit = minimum;
  }
  if (!relation) return frequency;
  platform::MessageBox(
      QStringLiteral("Frequency %1 %2 frequency (%3).\nThis frequency will be aligned to %3.")
          .arg(FormatFrequency(frequency), QLatin1String(relation), FormatFrequency(limit)),
      QStringLiteral("Information"), MessageIcon::Information, MessageButtons::Ok);
  return limit;
}

}  // namespace

void TMainForm::stSpeedButton8Click() {
  const Session session = BeginCommand(FsP);
  if (!session.Alive() || AddFqForm->ShowModal() != ModalResult::Ok || !session.Alive()) return;
  const TLevelTable empty{};
  const int32_t result = calibration::PutDBMs(CalHandle, ReceiverName.c_str(), CurrentMode(),
                                              AddFqForm->Fq->Value(), empty.data());
  if (result != CAL_OK) {
    ShowLibraryError(result);
    return;
  }
  TableModified = true;
  FillFrequencyList();
}

void TMainForm::BEditClick() {
  if (!OpenDriver) return;
  const Session session = BeginCommand(FsP);
  if (!session.Alive()) return;
  const int64_t frequency = SelectedFrequency(F);
  bool tuned = true;
  if (DecodeFrequencyWord(OpenDriver->GetFrequency()) != frequency) {
    const ModalResult answer = platform::MessageBox(
        QStringLiteral("Receiver is currently not tuned to this frequency.\nDo you want to do it?"),
        QStringLiteral("Change frequency?"), MessageIcon::Question, MessageButtons::YesNoCancel,
        ModalResult::Yes);
    if (answer == ModalResult::Cancel || !session.Alive()) return;
    if (answer == ModalResult::Yes)
      Fq->SetValue(frequency);  // tunes, and may find the receiver gone
    else
      tuned = false;
    if (!session.Alive()) return;
  }
  TLevelTable levels;
  const int32_t read = ReadColumn(CalHandle, ReceiverName, CurrentMode(), frequency, levels);
  if (read != CAL_OK) {
    ShowLibraryError(read);
    return;
  }
  const QString title = FormatFrequency(frequency);
  TableForm->SetCaption(QStringLiteral("Translation table for frequency ") + title + " (" +
                        (tuned ? "tuned)" : "not tuned)"));
  TableForm->LoadTable(levels, title);
  TableForm->Modified = false;
  if (TableForm->ShowModal() != ModalResult::Ok || !session.Alive()) return;
  const int32_t result = calibration::PutDBMs(CalHandle, ReceiverName.c_str(), CurrentMode(), frequency,
                                              TableForm->Levels.data());
  if (result != CAL_OK) {
    ShowLibraryError(result);
    return;
  }
  TableModified = TableModified || TableForm->Modified;
}

void TMainForm::BDeleteClick() {
  const Session session = BeginCommand(FsP);
  if (!session.Alive() ||
      !platform::Confirm(QStringLiteral("Are you sure you want to remove frequency?"), ModalResult::Yes) ||
      !session.Alive())
    return;
  const int32_t result =
      calibration::DeleteFrequency(CalHandle, ReceiverName.c_str(), CurrentMode(), SelectedFrequency(F));
  if (result != CAL_OK) {
    ShowLibraryError(result);
    return;
  }
  TableModified = true;
  FillFrequencyList();
}

void TMainForm::stSpeedButton7Click() {
  const Session session = BeginCommand(FsP);
  if (!session.Alive() || CopyForm->ShowModal() != ModalResult::Ok || !session.Alive()) return;
  const std::string source = CopyForm->SourceReceiver;
  const int32_t sourceMode = CopyForm->SourceMode;
  if (source == ReceiverName && sourceMode == CurrentMode()) return;
  std::vector<int64_t> frequencies;
  const int32_t size = ReadFrequencies(CalHandle, source, sourceMode, frequencies);
  if (size < 1) {
    ShowLibraryError(size);
    return;
  }
  for (const int64_t from : frequencies) {
    const int64_t to = AlignToReceiver(from, Fq->Min(), Fq->Max());
    if (!session.Alive()) return;
    const QString target = QString::number(to);
    bool copy = true;
    for (int row = 0; row < FrequencyCount; ++row) {
      if (F->Cells(1, row) != target) continue;
      const ModalResult answer = platform::MessageBox(
          QStringLiteral("Table entry for frequency %1 already exist for this mode.\nReplace it?")
              .arg(FormatFrequency(to)),
          QStringLiteral("Frequency exist"), MessageIcon::Question, MessageButtons::YesNoCancel,
          ModalResult::Yes);
      if (answer == ModalResult::Cancel || !session.Alive()) return;
      copy = answer == ModalResult::Yes;
    }
    if (!copy) continue;
    // The levels are those of the source frequency, also when stored aligned.
    TLevelTable levels;
    int32_t result = ReadColumn(CalHandle, source, sourceMode, from, levels);
    if (result == CAL_OK)
      result = calibration::PutDBMs(CalHandle, ReceiverName.c_str(), CurrentMode(), to, levels.data());
    if (result != CAL_OK) {
      ShowLibraryError(result);
      return;
    }
    // Marked before the list is rebuilt, which may run out of memory.
    TableModified = true;
    FillFrequencyList();
  }
}
