#include "export/ExpEditU.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

#include "export/ExportGame.h"
#include "ui/HelpForm.h"
#include "ui/TextEncoding.h"
#include "ui/Widgets.h"

namespace {

constexpr char kHelpContextProperty[] = "helpContext";
constexpr char kBrowseTitle[] = "Locate Chess Program";
// Linux programs carry no extension, so every file can be picked as well.
constexpr char kBrowseFilter[] = "Programs, documents|*.exe;*.txt;*.pgn|All files|*.*";
constexpr int kBrowseAllFiles = 2;

template <class W>
W* Named(W* w, const char* name, int helpContext, const char* tip = nullptr) {
  if (helpContext != 0) w->setProperty(kHelpContextProperty, helpContext);
  return Named(w, name, tip);
}

}  // namespace

TExportEditForm::TExportEditForm(IniValueRec& settings, QWidget* parent)
    : QDialog(parent), Settings(settings) {
  setObjectName("ExportEditForm");
  setWindowTitle(QStringLiteral("Export Edit"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, true);
  setProperty(kHelpContextProperty, kHelpExportEdit);
  OpenDialog1.Filter = kBrowseFilter;
  OpenDialog1.FilterIndex = kBrowseAllFiles;
  BuildControls();
  for (size_t i = 0; i < Item.size(); ++i)
    Item[i]->setText(Latin1(Settings.Exports[i][kExportTitle]));
  // "?" then a click on a control opens that control's topic.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void TExportEditForm::BuildControls() {
  RadioGroup1 =
      Named(new QGroupBox(QStringLiteral("Export Item"), this), "RadioGroup1", kHelpExportTitle);
  Items = new QButtonGroup(this);
  auto* itemColumn = new QVBoxLayout(RadioGroup1);
  for (int n = 1; n <= kExportEntries; ++n) {
    const std::string name = "RadioGroup1Item" + std::to_string(n);
    auto* item = Named(new QRadioButton(RadioGroup1), name.c_str());
    Item[static_cast<size_t>(n - 1)] = item;
    Items->addButton(item, n);
    itemColumn->addWidget(item);
  }
  itemColumn->addStretch();

  auto* dirLabel =
      Named(new QLabel(QStringLiteral("PGN Directory"), this), "Label1", kHelpExportDirectory);
  DirectoryModel = new QFileSystemModel(this);
  DirectoryModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  DirectoryModel->setRootPath(QDir::rootPath());
  DirectoryListBox1 = Named(new QTreeView(this), "DirectoryListBox1", kHelpExportDirectory);
  DirectoryListBox1->setModel(DirectoryModel);
  DirectoryListBox1->setHeaderHidden(true);
  for (int column = 1; column < DirectoryModel->columnCount(); ++column) {
    DirectoryListBox1->hideColumn(column);
  }
  DirectoryListBox1->setMinimumSize(260, 200);

  auto* titleLabel = Named(new QLabel(QStringLiteral("Menu Title/Exported File"), this), "Label2",
                           kHelpExportTitle);
  Edit1 = Named(new QLineEdit(Latin1(DefaultExportTitle(1)), this), "Edit1", kHelpExportTitle);
  // The titles are kept as Latin-1 in the settings file and the menu.
  Edit1->setValidator(new TLatin1Validator(Edit1));
  Edit4 = Named(new QLineEdit(QString::fromLatin1(kDefaultExportFileName), this), "Edit4",
                kHelpExportFileName);
  Edit2 = Named(new QLineEdit(this), "Edit2", kHelpExportDirectory,
                "where does your chess program look for pgn?");
  Button4 = Named(new QPushButton(QStringLiteral("m"), this), "Button4", kHelpExportDirectory,
                  "set to selected directory");
  Button4->setFixedWidth(32);
  CheckBox1 = Named(new QCheckBox(QStringLiteral("Launch"), this), "CheckBox1", 0,
                    "will start program when file is exported");
  ProgramLabel = Named(new QLabel(QStringLiteral("Chess Program (.exe)"), this), "Label3");
  Edit3 = Named(new QLineEdit(this), "Edit3");
  Button5 = Named(new QPushButton(QStringLiteral("Browse"), this), "Button5", 0,
                  "locate chess program .exe");
  for (QWidget* w : std::initializer_list<QWidget*>{ProgramLabel, Edit3, Button5}) {
    w->setEnabled(false);
  }
  auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
  ok->setDefault(true);
  auto* cancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
  auto* help = Named(new QPushButton(QStringLiteral("&Help"), this), "HelpButton");

  auto* top = new QHBoxLayout;
  top->addWidget(RadioGroup1);
  auto* dirColumn = new QVBoxLayout;
  dirColumn->addWidget(dirLabel);
  dirColumn->addWidget(DirectoryListBox1, 1);
  top->addLayout(dirColumn, 1);

  auto* fields = new QGridLayout;
  fields->addWidget(titleLabel, 0, 0, 1, 3);
  fields->addWidget(Edit1, 1, 0);
  fields->addWidget(Edit4, 1, 1, 1, 2);
  fields->addWidget(
      Named(new QLabel(QStringLiteral("PGN Directory"), this), "Label4", kHelpExportDirectory), 2,
      0, 1, 3);
  fields->addWidget(Edit2, 3, 0, 1, 2);
  fields->addWidget(Button4, 3, 2);
  fields->addWidget(CheckBox1, 4, 0);
  fields->addWidget(ProgramLabel, 4, 1, 1, 2);
  fields->addWidget(Edit3, 5, 0, 1, 2);
  fields->addWidget(Button5, 5, 2);
  fields->setColumnStretch(0, 1);
  fields->setColumnStretch(1, 2);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(fields);
  layout->addLayout(buttons);

  connect(Items, &QButtonGroup::idToggled, this, [this](int n, bool checked) {
    if (checked) RadioGroup1Click(n);
  });
  connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) Directory = DirectoryModel->filePath(current);
          });
  connect(Button4, &QPushButton::clicked, this, &TExportEditForm::mBtn4Click);
  connect(CheckBox1, &QCheckBox::toggled, this, &TExportEditForm::LaunchCheckBoxClick);
  connect(Button5, &QPushButton::clicked, this, &TExportEditForm::BrowseButtonClick);
  connect(ok, &QPushButton::clicked, this, &TExportEditForm::OKButtonClick);
  connect(cancel, &QPushButton::clicked, this, &TExportEditForm::reject);
  connect(help, &QPushButton::clicked, this, &TExportEditForm::HelpButtonClick);
}

void TExportEditForm::SelectItem(int n) {
  QRadioButton* item = Item.at(static_cast<size_t>(n - 1));
  // Checking the checked item again would not show it; the dialog opens on it all the same.
  if (item->isChecked()) {
    RadioGroup1Click(n);
  } else {
    item->setChecked(true);
  }
}

void TExportEditForm::StoreShown() {
  if (Shown == 0) return;
  if (Edit1->text().isEmpty()) {
    Edit1->setText(Latin1(DefaultExportTitle(Shown)));
    Edit2->clear();
    Edit1OnExit();
  }
  auto& entry = Settings.Exports[static_cast<size_t>(Shown - 1)];
  entry[kExportTitle] = FromLatin1(Edit1->text());
  entry[kExportDirectory] = FileNameFromQt(Edit2->text());
  entry[kExportProgram] = FileNameFromQt(Edit3->text());
  entry[kExportFileName] = FileNameFromQt(Edit4->text());
}

void TExportEditForm::RadioGroup1Click(int n) {
  StoreShown();
  const auto& entry = Settings.Exports[static_cast<size_t>(n - 1)];
  Edit1->setText(Latin1(entry[kExportTitle]));
  Edit2->setText(FileNameToQt(entry[kExportDirectory]));
  Edit3->setText(FileNameToQt(entry[kExportProgram]));
  Edit4->setText(FileNameToQt(entry[kExportFileName]));
  const bool noDirectory = entry[kExportDirectory].empty();
  // ExportDirectory: a final '\' of an older settings file still names the folder.
  if (noDirectory || !MoveDirectoryList(FileNameToQt(ExportDirectory(entry[kExportDirectory])))) {
    MoveDirectoryList(QDir::currentPath());
    // A saved directory that is gone no longer counts.
    if (!noDirectory) Edit2->clear();
  }
  // A change of the box's state acts as a click on it (toggled).
  CheckBox1->setChecked(!entry[kExportProgram].empty());
  Shown = n;
}

bool TExportEditForm::MoveDirectoryList(const QString& dir) {
  const QFileInfo info(dir);
  if (!info.isDir()) return false;
  const QString path = QDir::cleanPath(info.absoluteFilePath());
  const QModelIndex index = DirectoryModel->index(path);
  if (!index.isValid()) return false;
  DirectoryListBox1->setCurrentIndex(index);
  DirectoryListBox1->expand(index);
  DirectoryListBox1->scrollTo(index);
  Directory = path;
  return true;
}

void TExportEditForm::Edit1OnExit() {
  if (Shown != 0) Item[static_cast<size_t>(Shown - 1)]->setText(Edit1->text());
}

void TExportEditForm::mBtn4Click() {
  Edit2->setText(Directory);
}

void TExportEditForm::LaunchCheckBoxClick(bool checked) {
  if (!checked) Edit3->clear();
  for (QWidget* w : std::initializer_list<QWidget*>{ProgramLabel, Edit3, Button5}) {
    w->setEnabled(checked);
  }
}

void TExportEditForm::BrowseButtonClick() {
  OpenDialog1.Title = kBrowseTitle;
  // The dialog starts at the program named, else in the listed directory.
  OpenDialog1.FileName = FileNameFromQt(Edit3->text());
  OpenDialog1.InitialDir = FileNameFromQt(Directory);
  if (Dlg().OpenFileName(OpenDialog1)) Edit3->setText(FileNameToQt(OpenDialog1.FileName));
}

void TExportEditForm::OKButtonClick() {
  StoreShown();
  accept();
}

void TExportEditForm::HelpButtonClick() {
  ShowMessage(kExportHelpText);
}

void TExportEditForm::ShowControlHelp(const QWidget* control) {
  for (const QWidget* w = control; w; w = w->parentWidget()) {
    const int context = w->property(kHelpContextProperty).toInt();
    if (context != 0) {
      ShowHelpContext(context);
      return;
    }
    if (w == this) break;
  }
  ShowHelpContext(kHelpExportEdit);
}

void TExportEditForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

void TExportEditForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    ShowControlHelp(focusWidget());
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TExportEditForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1 && event->type() == QEvent::FocusOut) Edit1OnExit();
  if (event->type() == QEvent::QueryWhatsThis) return true;
  if (event->type() == QEvent::WhatsThis && watched->isWidgetType()) {
    ShowControlHelp(static_cast<QWidget*>(watched));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
