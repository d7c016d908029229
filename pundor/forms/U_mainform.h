#pragma once
// The main window: the program's working surface and the owner of the
// calibration session (the drivers, the device list, the open receiver, the
// one loaded calibration table and the current mode), with the measuring loop
// and the wait for a lost receiver.
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_dialog.h"
#include "platform/form.h"
#include "platform/html_help.h"
#include "platform/registry.h"
#include "receivers/device_list.h"
#include "receivers/hamlib_radio.h"
#include "receivers/radios_file.h"
#include "receivers/velkaro_api.h"
#include "receivers/velkaro_vk.h"
#include "receivers/velkaro_vx.h"

class QAction;
class QCloseEvent;
class QPainter;
class QRect;
class QWidget;
class TmyFrequencyEdit;
class TmyLabel;
class TmyScrollBar;
class TmyUpDown;
class TstAlignEdit;
class TstGauge;
class TstPanel;
class TstSpeedButton;
class TStringGrid;

class TMainForm : public platform::Form {
 public:
  TMainForm();
  ~TMainForm() override;

  // Session state.
  int32_t CalHandle = -1;
  bool TableLoaded = false;
  bool TableModified = false;
  bool UnnamedTable = false;
  std::string FileName;
  std::string ReceiverName;
  int32_t ModeList[128] = {};
  int32_t ModeCount = 0;
  int32_t CurrentMode() const;
  int32_t FrequencyCount = 0;

  TRadioDevice Devices[kMaxDevices] = {};
  int32_t DeviceCount = 0;
  TVelkaro_API* OpenDriver = nullptr;
  // Stays set while a lost receiver is waited for.
  TRadioDevice* OpenDevice = nullptr;
  int OpenRow = -1;
  bool DevicesPresent = false;
  // False while the window itself sets the frequency field or the mode, so
  // that neither talks to the receiver meanwhile.
  bool EventsEnabled = true;
  bool EnterPressed = false;
  // The file dialog being shown, so that a lost receiver can cancel it.
  platform::FileDialog* DialogWindow = nullptr;

  // Controls.
  TstPanel *Panel, *ButtonPanel;
  TmyLabel* LCaption;
  TstSpeedButton *stSpeedButton9 /*Help*/, *stSpeedButton10 /*About*/, *stSpeedButton2 /*Minimize*/,
      *stSpeedButton1 /*Close*/;
  TstPanel* DevPanel;
  TStringGrid* D;
  TmyScrollBar* SB;
  TstSpeedButton *stSpeedButton6 /*Refresh*/, *BSelect;
  TstPanel* FiP;
  TstSpeedButton *stSpeedButton3 /*New*/, *stSpeedButton4 /*Open*/, *BSave;
  TstPanel* FsP;
  TStringGrid* F;
  TmyScrollBar* FSB;
  TstSpeedButton *stSpeedButton8 /*Add*/, *BEdit, *BDelete, *stSpeedButton7 /*Copy*/;
  TstPanel* MP;
  TstAlignEdit* EMode;
  TmyUpDown* MUD;
  TstPanel* FP;
  TmyFrequencyEdit* Fq;
  TstPanel* SP;
  TstGauge* G;
  TmyLabel* LdBm;
  TstPanel* stPanel1;
  TstSpeedButton *CalInfo, *stSpeedButton5 /*Close*/;
  platform::FileDialog OD{platform::FileDialogKind::Open};
  platform::FileDialog SD{platform::FileDialogKind::Save};
  QTimer T;

  // Operations other windows use.
  void SearchDevices();
  void CloseReceiver();
  void RestartSearch();
  void PostRestartSearch();
  void SelectMode(int32_t code);
  void FillFrequencyList();
  // One row per frequency: its text, its Hz, an empty cell. Also for the
  // frequency selection dialog's copy of the list.
  static void FillFrequencyGrid(TStringGrid* grid, const std::vector<int64_t>& frequencies);
  void FocusPanel(QWidget* panel);

  // The receiver and table a command works on. Messages run inside the
  // command's FocusPanel, each question box and each dialog; giving up a lost
  // receiver there closes the session, so a command looks again after each of
  // those points and stops once its session is gone.
  class Session {
   public:
    bool Alive() const { return form_->sessionSerial_ == serial_; }

   private:
    friend class TMainForm;
    explicit Session(const TMainForm* form) : form_(form), serial_(form->sessionSerial_) {}
    const TMainForm* form_;
    uint64_t serial_;
  };
  // The start of every command: its session, then FocusPanel(panel).
  Session BeginCommand(QWidget* panel);

  bool CheckConnection();
  static bool ReconnectPoll(void* mainForm);

  // Handlers.
  void FormCreate();
  void FormShow();
  void FormCloseQuery(bool& canClose);
  void FormClose();
  void AddDeviceRow(int index, const QString& model, const QString& name, const QString& interfaceText);
  void DDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected);
  void DSelectCell(int row, bool& canSelect);
  void DDblClick();
  void DTopLeftChanged();
  void SBPositionChange();
  void BSelectClick();
  void stSpeedButton6Click();
  void stSpeedButton3Click();
  void stSpeedButton4Click();
  void BSaveClick();
  void MUDDirection(int step);
  void stSpeedButton9Click();
  void stSpeedButton10Click();
  void stSpeedButton2Click();
  void SysBtnCloseClick();
  void CalInfoClick();
  void FDrawCell(int col, int row, const QRect& rect, QPainter& painter, bool selected);
  void FTopLeftChanged();
  void FSBPositionChange();
  void TTimer();
  void FqValueChange();
  void FqKeyDown(int key);
  void FqKeyPress(QChar& ch);
  // The frequency-list commands, defined in U_mainform_frequencies.cpp.
  void stSpeedButton8Click();
  void BEditClick();
  void BDeleteClick();
  void stSpeedButton7Click();
  // Automatic calibration: the frequency list's context menu and Ctrl+K, with
  // a receiver open and a table loaded.
  QAction* AutoCalAction = nullptr;
  bool AutoCalPossible() const;
  void AutoCalClick();

  // Where the help file is looked for (the program's folder by default).
  QString HelpPath() const;

 private:
  void CreateControls();
  void CreateCaptionStrip();
  void CreateDevicePanel();
  void CreateFilePanel();
  void CreateFrequencyPanel();
  void CreateModePanel();
  void CreateFrequencyField();
  void CreateSignalPanel();
  void CreateBottomRow();
  void ConnectHandlers();
  void ConnectAutoCal();
  void SetupFileDialogs();
  void ActivateCaption(bool active);
  void FormDestroy();
  bool BindHtmlHelp();

  void SetCaption(const QString& caption);
  void ShowFileCaption(const std::string& path);
  // The "Calibration table is modified and not saved." question with its own
  // second line; true when there is nothing to lose or the user said Yes.
  bool ConfirmUnsavedTable(const QString& secondLine, platform::ModalResult defaultButton);
  void OpenReceiverOf(int row);
  void BuildModeList(const TRadioDevice& device);
  void ReleaseTable();
  void TakeNewTable(int32_t handle, const std::string& fileName, bool unnamed);
  void DropTable();
  void LoadFailed();
  // Both grids (the selection dialog's may be absent) from the library.
  void ListFrequencies(TStringGrid* list, TStringGrid* selection);
  void UpdateTableControls();
  void ShowGridScrollBar(TStringGrid* grid, TmyScrollBar* bar);
  void ShowLevel(int raw);
  void SetFrequencyQuietly(int64_t hz);
  void GiveUpReceiver();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool searchedAtShow_ = false;
  // Changes whenever the open receiver is closed or the loaded table released.
  uint64_t sessionSerial_ = 0;
  // Held open for the window's life; the program keeps no settings in it.
  platform::RegistryKey registry_;
  std::unique_ptr<platform::HtmlHelp> htmlHelp_;
  TVelkaro_Vk Vk;
  TVelkaro_C1 C1;
  TVelkaro_C2 C2;
  TVelkaro_C3 C3;
  TVelkaro_C4 C4;
  TVelkaro_C5 C5;
  // Radios Hamlib controls, listed after the maker's receivers.
  TRadiosFile radiosFile_ = LoadRadiosFile(RadiosFilePath());
  TVelkaro_Hamlib Hamlib{radiosFile_.radios};
};

extern TMainForm* MainForm;
