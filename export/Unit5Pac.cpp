#include "export/Unit5Pac.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <filesystem>

#include "export/PackedFiles.h"
#include "settings/CTErrorU.h"
#include "settings/Dialogs.h"
#include "ui/HelpForm.h"
#include "ui/TextEncoding.h"
#include "ui/Widgets.h"

namespace {

constexpr char kCaption[] = "PGC Packed Options";
constexpr char kNotLoaded[] =
    "libppkdlv02.so not loaded. Click following Help icon (?) for information.";

QLabel* Label(const char* name, const char* text, QWidget* parent) {
  return Named(new QLabel(QString::fromLatin1(text), parent), name);
}

class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// A field of digits only as a count; a number past the range counts as the largest.
bool DigitsValue(const QString& text, int64_t& value) {
  const std::string s = text.toStdString();
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) return false;
  value = s.size() > 18 ? INT64_MAX : std::stoll(s);
  return true;
}

}  // namespace

bool TQtLibraryLoader::Load(const std::string& path, TPackEntries& entries) {
  Unload();
  // Only the file named, never one the loader would look up elsewhere.
  if (!QFileInfo(FileNameToQt(path)).isFile()) return false;
  library_.setFileName(FileNameToQt(path));
  if (!library_.load()) return false;
  entries.Unpack = reinterpret_cast<TGameUnpackFn>(library_.resolve("GAMEUNPKPGN_D"));
  entries.Pack = reinterpret_cast<TGamePackFn>(library_.resolve("GAMEPACKPGN_C"));
  entries.Destroy = reinterpret_cast<TDestroyFn>(library_.resolve("DESTROY"));
  if (entries.Unpack && entries.Pack && entries.Destroy) return true;
  entries = {};
  Unload();
  return false;
}

void TQtLibraryLoader::Unload() {
  if (library_.isLoaded()) library_.unload();
}

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
  setObjectName("Form5");
  setWindowTitle(QString::fromLatin1(kCaption));
  setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  setProperty("helpContext", kHelpPacked);
  BuildControls();
}

TForm5::~TForm5() {
  ReleasePackingLibrary();
}

void TForm5::BuildControls() {
  Edit1 = Named(new QLineEdit(this), "Edit1");
  Edit2 = Named(new QLineEdit(this), "Edit2");
  RadioGroup1 = Named(new QGroupBox(QStringLiteral("File"), this), "RadioGroup1");
  Exists = Named(new QRadioButton(QStringLiteral("exists"), RadioGroup1), "Exists");
  Missing = Named(new QRadioButton(QStringLiteral("does not exist"), RadioGroup1), "Missing");
  auto* fileLayout = new QVBoxLayout(RadioGroup1);
  fileLayout->addWidget(Exists);
  fileLayout->addWidget(Missing);

  GroupBox1 = Named(new QGroupBox(QStringLiteral("Open Options"), this), "GroupBox1");
  Edit3 = Named(new QLineEdit(QStringLiteral("1"), GroupBox1), "Edit3");
  Edit4 = Named(new QLineEdit(QStringLiteral("9999999"), GroupBox1), "Edit4");
  Edit5 = Named(new QLineEdit(QStringLiteral("(eco beg :B31)"), GroupBox1), "Edit5");
  Edit6 = Named(new QLineEdit(GroupBox1), "Edit6");
  Edit5->setEnabled(false);
  Edit6->setEnabled(false);
  auto* openLayout = new QGridLayout(GroupBox1);
  openLayout->addWidget(Label("Label3", "Start game ", GroupBox1), 0, 0);
  openLayout->addWidget(Edit3, 0, 1);
  openLayout->addWidget(Label("Label4", "Maximum games to select", GroupBox1), 1, 0);
  openLayout->addWidget(Edit4, 1, 1);
  openLayout->addWidget(Label("Label5", "Query", GroupBox1), 2, 0);
  openLayout->addWidget(Edit5, 2, 1);
  openLayout->addWidget(Label("Label6", "Position", GroupBox1), 3, 0);
  openLayout->addWidget(Edit6, 3, 1);
  openLayout->addWidget(
      Label("Label7", "----selection items expected in next version---", GroupBox1), 4, 0, 1, 2);

  GroupBox2 = Named(new QGroupBox(QStringLiteral("Save Options"), this), "GroupBox2");
  CheckBox1 = Named(new QCheckBox(QStringLiteral("Append"), GroupBox2), "CheckBox1");
  auto* saveLayout = new QVBoxLayout(GroupBox2);
  saveLayout->addWidget(CheckBox1);

  OKBtn = Named(new QPushButton(QStringLiteral("OK"), this), "OKBtn");
  OKBtn->setDefault(true);
  CancelBtn = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelBtn");

  auto* names = new QGridLayout;
  names->addWidget(Label("Label1", "File name", this), 0, 0);
  names->addWidget(Edit1, 0, 1);
  names->addWidget(Label("Label2", "Directory", this), 1, 0);
  names->addWidget(Edit2, 1, 1);
  auto* top = new QHBoxLayout;
  top->addLayout(names, 1);
  top->addWidget(RadioGroup1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Label("Label8", "These options require libppkdlv02.so", this));
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox2);
  layout->addLayout(buttons);
  resize(520, sizeHint().height());

  connect(OKBtn, &QPushButton::clicked, this, &TForm5::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Edit1, &QLineEdit::textChanged, this, &TForm5::NameFieldsChanged);
  connect(Edit2, &QLineEdit::textChanged, this, &TForm5::NameFieldsChanged);
  connect(Exists, &QRadioButton::clicked, this, &TForm5::RadioGroup1Click);
  connect(Missing, &QRadioButton::clicked, this, &TForm5::RadioGroup1Click);
}

int TForm5::Run() {
  if (!LoadPackingLibrary()) {
    Dlg().Message(kNotLoaded, TMsgKind::Plain, TMsgButtons::Ok, kHelpPacked);
    OKBtn->setEnabled(false);
  }
  if (!SetUpForMode()) return QDialog::Rejected;
  FillNameFields();
  return exec();
}

bool TForm5::LoadPackingLibrary() {
  return Library.LoadPackingLibrary(LibraryFileName.empty() ? PackingLibraryPath()
                                                            : LibraryFileName);
}

void TForm5::ReleasePackingLibrary() {
  Library.ReleasePackingLibrary();
}

bool TForm5::SetUpForMode() {
  const char* suffix = nullptr;
  if (Mode == kOpen) {
    GroupBox2->setEnabled(false);
    suffix = " (Open)";
  } else if (Mode == kSave && WorkStream) {
    GroupBox1->setEnabled(false);
    suffix = " (Save)";
  } else {
    ShowMessage("prog error");
    return false;
  }
  setWindowTitle(QString::fromLatin1(kCaption) + QString::fromLatin1(suffix));
  return true;
}

void TForm5::FillNameFields() {
  const std::filesystem::path path(PackedFileName);
  QuietNames = true;
  Edit1->setText(FileNameToQt(path.filename().string()));
  QuietNames = false;
  std::string dir = path.parent_path().string();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  Edit2->setText(FileNameToQt(dir));
  NameFieldsChanged();
}

void TForm5::NameFieldsChanged() {
  if (QuietNames) return;
  Edit2->setToolTip(Edit2->text());
  if (!Edit1->text().isEmpty() && !Edit2->text().isEmpty()) {
    std::string dir = FileNameFromQt(Edit2->text());
    // A directory typed without its last slash still names the same file.
    if (dir.back() != '/') dir += '/';
    PackedFileName = dir + FileNameFromQt(Edit1->text());
  }
  RadioGroup1Click();
}

void TForm5::RadioGroup1Click() {
  std::error_code ec;
  const bool exists = std::filesystem::is_regular_file(PackedFileName, ec);
  Exists->setChecked(exists);
  Missing->setChecked(!exists);
}

bool TForm5::ReadSelection(int64_t& start, int64_t& maximum) {
  if (DigitsValue(Edit3->text(), start) && DigitsValue(Edit4->text(), maximum)) return true;
  Dlg().Beep();
  ShowMessage("non-numeric Start of Select");
  return false;
}

void TForm5::OKBtnClick() {
  int64_t start = 0;
  int64_t maximum = 0;
  if (Mode == kOpen && !ReadSelection(start, maximum)) return;
  std::error_code ec;
  // Replacing an existing packed file is asked first, as Save As asks; No
  // writes nothing and ends the command.
  if (Mode == kSave && !CheckBox1->isChecked() && std::filesystem::exists(PackedFileName, ec) &&
      Dlg().Message("Overwrite " + PackedFileName + " ?", TMsgKind::Confirmation,
                    TMsgButtons::YesNo) != TMsgAnswer::Yes) {
    reject();
    return;
  }
  try {
    TWaitCursor wait;
    if (Mode == kOpen) {
      Opened = OpenPacked(Library, PackedFileName, TempFileName, start, maximum, BufferSize);
    } else {
      SavePacked(Library, *WorkStream, PackedFileName, CheckBox1->isChecked(), TempFileName);
    }
  } catch (const EPackedFileError& e) {
    if (!e.Shown) ShowMessage(e.what());
    // A game the library refused is to be put right in the editor: the dialog
    // closes and the window shows it. Otherwise the dialog stays open, so that
    // the names or options can be put right.
    if (e.Page != 0) {
      RefusedPage = e.Page;
      RefusedOffset = e.GameOffset;
      reject();
    }
    return;
  } catch (const std::exception&) {
    AskCatchAll();
    return;
  }
  accept();
}

bool TForm5::event(QEvent* e) {
  // The help border icon and F1 open the dialog's topic.
  const bool f1 = e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1;
  if (e->type() == QEvent::EnterWhatsThisMode || f1) {
    if (!f1) QWhatsThis::leaveWhatsThisMode();
    ShowHelpContext(kHelpPacked);
    return true;
  }
  return QDialog::event(e);
}
