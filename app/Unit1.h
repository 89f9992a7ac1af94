// The main window: one page of the bullet work file in the editor, the page
// controls and state panels above it, and the file commands.
#pragma once

#include <QEvent>
#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "find/FindList.h"
#include "find/PageSearch.h"
#include "settings/Dialogs.h"
#include "settings/Settings.h"
#include "stream/FileIo.h"
#include "stream/TxStream.h"

class QAction;
class QButtonGroup;
class QKeyEvent;
class QCheckBox;
class QComboBox;
class TMacroComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TAboutBox;
class TPageEditor;
class TStatusPanel;
struct TLaunchTarget;

// Starts a chess program on an exported game; the shell-style result (above
// 32: started, else the failure code).
using TLaunchProgram = std::function<int(const std::string& program, const TLaunchTarget& target)>;
// The real one: the program itself when executable, else the desktop's
// application for the file.
int LaunchProgram(const std::string& program, const TLaunchTarget& target);

// What the window starts with.
struct TForm1Setup {
  // Command-line parameters without the program name.
  QStringList Params;
  // Where the work files go; empty: the program's directory, or the app's local
  // data location when that cannot be written.
  std::string WorkDir;
  // How exports start their chess program; empty: LaunchProgram.
  TLaunchProgram Launcher;
};

struct TStaleWorkFile;

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm1(TForm1Setup setup = {}, QWidget* parent = nullptr);
  ~TForm1() override;

  // Page view.
  void ShowPage(const std::string& text);
  void SetEditorLimit();
  bool CommitPage();
  void Memo1Changed();
  void RefreshFileStatus();

  // File commands. sender: the menu item, or the window itself (the
  // command-line start for Open, the save question for Save).
  void Open1Click(QObject* sender);
  // A file dropped on the window: Open, without the file dialog.
  void OpenDroppedFile(const std::string& fileName);
  void New1Click();
  void Save1Click(QObject* sender);
  // Cancel, No (the changes were dropped) or OK.
  TMsgAnswer AskSaveChanges();
  // The repair offer after a failed Open, below failure (what is wrong with
  // the file, in the same box); true when the repaired copy opened.
  bool TryConversion(const std::string& failure = "");

  // Window events and controls.
  void Form1Create();
  void Form1Shown();
  bool Form1CloseQuery();
  void Form1Close();
  // Checks the buffer-size field when the user leaves it or presses Enter.
  void Edit1KeyUpChange();
  void Button1ClickRight();
  void Button2ClickLeft();
  void Button3ClickEnd();
  void Button4ClickStart();
  void Button8ClickPage();
  void Button5ClickReorgBullet();
  void MenuUndoClick();
  void Restore1Click();
  void MenuAddPageClick();
  void MenuPasteLargeClick();
  void Panel3Click();
  void Exit1Click();
  void MenuHeaderClicks();
  // Export: entry tag (1..4) of the menu item; the dialog on entry n (0 or 1..4).
  void MenuExportClicks(int tag);
  void MenuEditExportClick();
  void EditExport(int n);

  // "Open Pa&cked..." and "Save As Pac&ked..." (sender: the menu item).
  void MenuPackedClicks(QObject* sender);
  void Contents1Click();
  void Index1Click();
  void About1Click();

  // Find and Replace (in the page, in the file, or inside a shown Find list).
  int SearchScope() const;
  void FindButtonClick();
  // Marks every match of find in the page, by the search's options.
  void MarkFindMatches(const std::string& find);
  void ReplaceButtonClick();
  bool FindInPageStep(const std::string& find);
  void FindInPage(const std::string& find);
  bool PageEndReached(const std::string& find);
  void FindInFile(const std::string& find);
  int FindStepInFile(const std::string& find);
  void ReplaceInPage(const std::string& find, const std::string& repl);
  void ReplaceInFile(const std::string& find, const std::string& repl);
  bool ConfirmReplaceAll(const std::string& find, const std::string& repl);
  void CheckBox1Click();
  void MenuCaseSensitiveClick();
  void MenuSelectAllClick();
  void MenuScrollAfterFindClick();
  void Edit4DblClick();
  void EditClicks();
  void Memo1MouseDown(Qt::MouseButton button, QPoint position);
  void Memo1MouseUp(Qt::MouseButton button, QPoint position);

  // The check macros of the drop-down.
  void ComboBox1DropDown();
  void ComboBox1Click(int index);
  void ComboBox1KeyPress(int key);
  void ComboBox1OnEnter();
  void ApplyMacro(int index);
  // The board window on the game at the caret, and its flash length.
  void OpenBoardAtCaret();
  // Puts the caret where the editor was clicked, then opens the board there.
  void OpenBoardAt(QPoint position);
  void MenuBoardFlutterClick();
  // Options / UTF-8 text, and the shown encoding (Unit1Encoding.cpp).
  void MenuUtf8TextClick();
  void ShowEncoding(bool utf8);

  // The Find list.
  void RadioGroup1Click(int item);
  void EnterListMode();
  bool LeaveListMode();
  void BuildFindList(const std::string& find);
  bool ApplyListEdits();
  void GoToListEntry(int32_t index);
  void FreeAllEntries();
  const TList2* FindListShown() const { return FindList.get(); }
  bool InListMode() const { return ListMode; }

  // State, for the status refresh and for tests.
  TFStreamTxStr* Stream() const { return WorkFile.get(); }
  bool IsFileModified() const { return FileModified; }
  bool IsFileProcessed() const { return FileProcessed; }
  const std::string& WorkDirectory() const { return WorkDir; }
  const TFileDialogRequest& OpenDialog() const { return OpenDialog1; }
  const TFileDialogRequest& SaveDialog() const { return SaveDialog1; }
  TAboutBox* AboutBox() const { return AboutBox1; }
  void SetAboutBox(TAboutBox* box) { AboutBox1 = box; }
  // Grabs the window into a PNG file (the --screenshot option).
  bool SaveScreenshot(const QString& fileName);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TBusyScope;

  void BuildControls();
  void BuildMenus();
  QAction* AddItem(QMenu* menu, const char* name, const char* caption, const char* shortcut,
                   std::function<void()> handler, bool enabled = true);
  void ShowOpened(std::unique_ptr<TFStreamTxStr> input, bool editing, const std::string& fileName);
  // An Open that did not happen leaves the work as it was (unsaved again after
  // a "No" to the save question, asked).
  void KeepUnsavedWork(TMsgAnswer asked);
  // After a conversion that failed: no work file, an empty read-only editor.
  void ShowNoWork();
  // No work file: the counters and panels of the file shown before are cleared.
  void ClearFileStatus();
  // The status bar line: the counters and panels in words (Unit1.cpp).
  void UpdateStatusLine();
  // Asks before converting a file too large for the page map at the buffer
  // size; reopens path with the size the user accepts. False when the file is
  // not to be opened (input is then empty).
  bool FitPageMap(std::unique_ptr<TFStreamTxStr>& input, const std::string& path,
                  const std::string& shownName);
  void InstallFileDrop();
  void SetCaption(const std::string& fileName);
  int32_t BufferSizeField() const;
  void UpdateGameCount();
  int32_t MovePage(const std::function<int32_t(std::string&)>& move);
  // Goes to the page and selects the first line of the game whose bullet is
  // at offset (0-based): a game that Save As Packed refused.
  void ShowRefusedGame(int32_t page, int64_t offset);
  void ResolveWorkDir();
  void HoldWorkFiles();
  void ReleaseWorkFiles();
  void ShowProgress(int64_t done, int64_t total);
  // A pass of Find or Replace over the work file's pages: the progress bar
  // counts the pages, and Escape stops the pass between two pages; any other
  // input to the window is refused until the pass ends.
  void BeginPagePass(int32_t pages);
  // After a page: shows done pages, lets the window repaint; false once Escape was pressed.
  bool PagePassGoesOn(int32_t done);
  void EndPagePass();
  void SelectRange(int64_t wParam, int64_t lParam);
  void ConnectFindControls();
  void ConnectMacroControls();
  // A check code ("$$NN") in find becomes the text its check found; false when
  // it found nothing (find stays the code) or the search must not go ahead.
  bool ResolveCheckCode(std::string& find, bool& stop);
  bool SafeMode() const;
  // The find and replacement boxes hold text in the shown encoding: bytes as
  // the box shows them, the box's text as bytes, and a check that refuses (with
  // a message) a character the encoding cannot hold.
  QString BoxShown(const std::string& bytes) const;
  std::string BoxText(const QLineEdit* box) const;
  bool BoxesHoldText(bool withReplacement);
  void SetScope(int item);
  // The file commands and closing work on pages: a shown Find list is written
  // back and closed first. False when it could not be (the list stays).
  bool LeaveListFirst();
  bool ReleaseList();
  void SetListControls(bool listMode);
  void ShowCurrentPageIfHidden(bool hidden);
  // One step of Find or Replace "in file": the page on screen is committed
  // (Stopped when that fails), the pass moves to the next page, wrapping, and
  // shows it only when its bytes hold find (Skipped otherwise; hidden then says
  // that the work file's current page is not the one on screen).
  enum class TPassStep { Stopped, Skipped, Shown };
  TPassStep NextPageHolding(int32_t& page, int32_t count, const std::string& find, bool& hidden);
  void SetExportCaptions();
  void OpenPackedFile();
  void SavePackedFile();
  // Start-up offer of the work files of an earlier run (Unit1Recover.cpp).
  void OfferRecovery();
  bool OpenRecovered(const TStaleWorkFile& stale);
  // A recovery that could not open the work file gives it its names back.
  void GiveBackWorkFile(const TStaleWorkFile& stale);
  // This run's work files are left where they are for the next start's
  // recovery; the run goes on with new, empty ones.
  void LeaveWorkFilesBehind();
  // After a reorganisation whose file cannot be opened: the window is left
  // without work, the file kept for the next start.
  void KeepWorkFileForNextStart();
  // The file named on the command line while a recovered collection is open:
  // offered once that is saved.
  void OfferPendingOpen();
  void ShowRecovered(const std::string& origin);
  // A failed reorganisation gave up the stream: the work file comes back from
  // its map file. False when it could not.
  bool ReopenAfterFailedReorg();

  TForm1Setup Setup;

  // Window state.
  std::unique_ptr<TFStreamTxStr> WorkFile;
  std::string PageText;
  int64_t FileSize = 0;
  std::string ProgramDir;
  std::string DroppedFileName;  // set while a dropped file is being opened
  std::string PendingOpen;      // named on the command line, waiting for a recovered collection
  std::string WorkDir;
  bool FileModified = false;
  bool FileProcessed = false;
  bool Loading = false;
  bool ListMode = false;
  int32_t ListFromPage = 1;  // the page shown when list mode began
  // Search state.
  TSearchOptions SearchOptions;
  bool Quiet = false;
  bool CheckingBufferSize = false;  // the range message may move the focus
  bool LastFind = false;
  bool LastReplace = false;
  bool EditBoxClicked = false;
  bool ListNavigated = false;
  bool WrapArmed = false;
  bool FindWasLast = false;
  bool ComboDropped = false;   // the macro list was opened, no macro applied since
  bool PackNoteShown = false;  // the note of "pack conflict" was shown this run
  std::unique_ptr<TList2> FindList;
  // The lines the last write-back changed: page, offset, old and new length.
  struct TAppliedEdit {
    int32_t Page, Offset, OldLength, NewLength;
  };
  std::vector<TAppliedEdit> AppliedEdits;
  bool ShownOnce = false;
  bool Closed = false;
  TFileDialogRequest OpenDialog1;
  TFileDialogRequest SaveDialog1;
  TWorkFileLock BulletLock;
  TWorkFileLock ReorgLock;
  TAboutBox* AboutBox1 = nullptr;
  // Per run: an entry whose title ends with a point starts its program once.
  std::array<bool, kExportEntries> Launched{};

  // Components.
  TPageEditor* Memo1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  TStatusPanel* StaticText1 = nullptr;
  TStatusPanel* StaticText2 = nullptr;
  TStatusPanel* StaticText3 = nullptr;
  TStatusPanel* StaticText4 = nullptr;
  TStatusPanel* Panel1 = nullptr;
  TStatusPanel* Panel2 = nullptr;
  TStatusPanel* Panel3 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button8 = nullptr;
  QPushButton* Button9 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* ScopeInPage = nullptr;
  QButtonGroup* ScopeGroup = nullptr;
  TMacroComboBox* ComboBox1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* StatusLine = nullptr;
  int ProgressPercent = -1;
  QObject* PassInput = nullptr;  // while a page pass runs: the filter that refuses input
  bool PassStopAsked = false;

  QMenu* File1 = nullptr;
  QAction* New1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* Browse1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* SaveAs1 = nullptr;
  QAction* Append1 = nullptr;
  QAction* CaseSensitive1 = nullptr;
  QAction* FindCtrlF1 = nullptr;
  QAction* ReplaceCtrlR1 = nullptr;
  QAction* SelectAll1 = nullptr;
  QAction* ScrollAfterFind1 = nullptr;
  QAction* Utf8Text1 = nullptr;
  QAction* PasteLarge1 = nullptr;
  QAction* AddPage1 = nullptr;
  std::array<QAction*, kExportEntries> ExportItems{};
  QAction* OpenPacked1 = nullptr;
  QAction* Contents1 = nullptr;
  bool HelpKeyPressed = false;  // Contents was chosen with F1, not from the menu
  QAction* SaveAsPacked1 = nullptr;
};

// Six digits with leading zeros, as the status numbers show.
std::string SixDigits(int64_t n);
// The file name without its directory.
std::string NameOnly(const std::string& path);
