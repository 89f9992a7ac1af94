// The main window's life: creation, first show, the select-range message, help
// and closing.
#include "app/Unit1.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "app/AboutBox.h"
#include "app/MacroComboBox.h"
#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "chess/CBrdForm.h"
#include "pgn/StrScan.h"
#include "settings/CTErrorU.h"
#include "settings/Settings.h"
#include "stream/Recovery.h"
#include "stream/TxFlows.h"
#include "ui/HelpForm.h"
#include "ui/QtDialogs.h"
#include "ui/TextEncoding.h"

namespace {

constexpr char kWelcomeText[] =
    "Welcome to Korvane\r\n\r\n From the File menu,\r\n  \xB7 choose Browse to quickly sample "
    "the beginning of a PGN chess file\r\n  \xB7 choose Open to edit and process the file\r\n";

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

bool DirWritable(const std::string& dir) {
  return MayWriteProgramFiles(dir);
}

}  // namespace

std::string SixDigits(int64_t n) {
  char text[32];
  std::snprintf(text, sizeof text, "%06lld", static_cast<long long>(n));
  return text;
}

std::string NameOnly(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TForm1::TForm1(TForm1Setup setup, QWidget* parent) : QMainWindow(parent), Setup(std::move(setup)) {
  setObjectName("Form1");
  BuildControls();
  BuildMenus();
  resize(980, 640);
  Form1Create();
}

TForm1::~TForm1() {
  // A window destroyed without closing (a test) still gives its work files up.
  if (!Closed) {
    WorkFile.reset();
    ReleaseWorkFiles();
  }
}

void TForm1::Form1Create() {
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  DisposeCtError();
  ProgramDir = ::ProgramDir();
  for (TFileDialogRequest* d : {&OpenDialog1, &SaveDialog1}) {
    d->DefaultExt = "pgn";
    d->Filter =
        "PGN files (*.pgn)|*.pgn|PGN & Text files (*.pgn;*.txt)|*.pgn;*.txt|Text files "
        "(*.txt)|*.txt|Any files|*.*";
  }
  ShowPage("");
  RefreshFileStatus();
  InstallFileDrop();
}

void TForm1::ResolveWorkDir() {
  WorkDir = WithSlash(Setup.WorkDir.empty() ? ProgramDir : Setup.WorkDir);
  if (DirWritable(WorkDir)) return;
  // An installed program cannot write beside itself.
  const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
  QDir().mkpath(fallback);
  WorkDir = WithSlash(FileNameFromQt(fallback));
}

void TForm1::HoldWorkFiles() {
  BulletLock.Hold(BulletFileName);
  ReorgLock.Hold(OutputFileName);
}

void TForm1::ReleaseWorkFiles() {
  BulletLock.Release();
  ReorgLock.Release();
  std::error_code ec;
  for (const std::string* name : {&BulletFileName, &OutputFileName}) {
    if (!name->empty()) std::filesystem::remove(*name, ec);
  }
  // The map file goes with a clean end: nothing is left to recover.
  if (!BulletFileName.empty()) std::filesystem::remove(MapFileNameOf(BulletFileName), ec);
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!ShownOnce) Form1Shown();
}

void TForm1::Form1Shown() {
  if (ShownOnce) return;
  ShownOnce = true;
  if (Setup.Params.isEmpty()) ShowPage(kWelcomeText);
  SearchOptions.MatchCase = CaseSensitive1->isChecked();
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!w->toolTip().isEmpty()) w->setToolTipDuration(4000);
  }

  ResolveWorkDir();
  ClearWorkFileNames();
  InitWorkFileNames(WorkDir);
  HoldWorkFiles();
  DeleteStaleWorkFiles(WorkDir);

  LoadSettings(IniValue);
  TChessBoardForm::Flutter = IniValue.Flutter;
  ShowEncoding(IniValue.Utf8Text);
  OpenDialog1.InitialDir = IniValue.RecentDir;
  OpenDialog1.FilterIndex = IniValue.FilterIndex;
  SetExportCaptions();

  OfferRecovery();
  if (Setup.Params.isEmpty()) return;
  QString name = Setup.Params[0];
  // A path with spaces may arrive split into two or three parameters.
  if (Setup.Params.size() == 2 || Setup.Params.size() == 3) name = Setup.Params.join(' ');
  const std::string fileName = FileNameFromQt(name);
  if (!QFileInfo(name).isFile()) {
    ShowMessage("File '" + fileName + "' does not exist");
    return;
  }
  if (WorkFile) {
    // One collection at a time: the recovered one stays until it is saved.
    PendingOpen = fileName;
    ShowMessage("The recovered collection is open, so " + fileName +
                " was not opened.\rOnce the recovered collection is saved, you are asked "
                "whether to open it.");
    return;
  }
  OpenDialog1.FileName = fileName;
  Open1Click(this);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (Closed) {
    event->accept();
    return;
  }
  if (!Form1CloseQuery()) {
    event->ignore();
    return;
  }
  Form1Close();
  event->accept();
}

bool TForm1::Form1CloseQuery() {
  if (!LeaveListFirst()) return false;
  if (Memo1->Modified() || FileModified) return AskSaveChanges() != TMsgAnswer::Cancel;
  return true;
}

void TForm1::Form1Close() {
  if (FileProcessed) {
    const std::string& opened = OpenDialog1.FileName;
    const size_t slash = opened.find_last_of('/');
    if (slash != std::string::npos) IniValue.RecentDir = opened.substr(0, slash + 1);
    IniValue.FilterIndex = OpenDialog1.FilterIndex;
    IniValue.Flutter = TChessBoardForm::Flutter;
  }
  SaveSettings(IniValue);
  FreeAllEntries();
  WorkFile.reset();
  DisposeCtError();
  ReleaseWorkFiles();
  Closed = true;
  CloseHelpWindow();
}

void TForm1::Exit1Click() {
  close();
}

void TForm1::MenuHeaderClicks() {
  // The file commands work on pages, never on a shown Find list.
  if (ListMode) Button8ClickPage();
}

bool TForm1::LeaveListFirst() {
  if (!ListMode) return true;
  if (!LeaveListMode()) return false;
  Button8ClickPage();
  return true;
}

bool TForm1::event(QEvent* event) {
  if (event->type() == TSelectRangeEvent::kType) {
    const auto* e = static_cast<TSelectRangeEvent*>(event);
    SelectRange(e->WParam, e->LParam);
    return true;
  }
  return QMainWindow::event(event);
}

void TForm1::SelectRange(int64_t wParam, int64_t lParam) {
  if (wParam == 666 && lParam == -1) return;
  Memo1->SetSelection(wParam, lParam);
  Memo1->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == Contents1 && type == QEvent::Shortcut) HelpKeyPressed = true;
  if ((watched == Edit3 || watched == Edit4) && type == QEvent::MouseButtonPress) EditClicks();
  if (watched == ComboBox1 && type == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) ComboBox1KeyPress(13);
    if (key == Qt::Key_Escape) ComboBox1KeyPress(27);
  }
  // Only the user moving the focus into the box enters it: the focus coming
  // back from its own list, from a question or with the window is no entry.
  if (watched == ComboBox1 && type == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
        reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
      ComboBox1OnEnter();
  }
  if (watched == Edit4 && type == QEvent::MouseButtonDblClick) {
    Edit4DblClick();
    return true;
  }
  // Alt+F in the editor takes the selection into the find box (the File menu
  // opens as usual); Ctrl+F does the same through the "&Find" item.
  if (watched == Memo1 && type == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_F && key->modifiers() == Qt::AltModifier && Memo1->SelLength() > 0) {
      Edit3->setText(BoxShown(Memo1->SelectedText()));
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::Contents1Click() {
  // F1 in a control that carries a topic of its own, or sits in a box that
  // does, opens that topic ("click, then press F1"); the menu item opens the
  // contents.
  const bool byKey = std::exchange(HelpKeyPressed, false);
  int context = 0;
  for (const QWidget* w = QApplication::focusWidget(); byKey && w && isAncestorOf(w) && !context;
       w = w->parentWidget())
    context = w->property("helpContext").toInt();
  ShowHelpContext(context != 0 ? context : kHelpContents);
}

void TForm1::UpdateStatusLine() {
  TStatusFacts facts;
  facts.Preview = Memo1->isReadOnly() && Memo1->Length() > 0;
  if (WorkFile && WorkFile->Map) {
    facts.Page = WorkFile->CurrentPage();
    facts.Pages = WorkFile->PageCount();
  }
  // The page's games are counted in the editor's own buffer, without a copy.
  const auto* text = reinterpret_cast<const char*>(
      Memo1->SendScintilla(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
  if (text)
    facts.PageGames =
        CountBulletBytes(std::string_view(text, static_cast<size_t>(Memo1->Length())));
  bool counted = false;
  facts.Games = Panel3->text().toLongLong(&counted);
  if (!counted) facts.Games = -1;
  facts.PageModified = Memo1->Modified();
  facts.FileModified = FileModified;
  facts.FileKilobytes = FileSize / 1024;
  facts.Utf8 = Memo1->Utf8Text();
  StatusLine->setText(StatusLineText(facts));
}

void TForm1::Index1Click() {
  ShowHelpContext(kHelpIndex);
}

void TForm1::About1Click() {
  if (!AboutBox1) AboutBox1 = new TAboutBox(this);
  AboutBox1->exec();
}

bool TForm1::SaveScreenshot(const QString& fileName) {
  return grab().save(fileName, "PNG");
}
