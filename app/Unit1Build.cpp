// The window's controls and menus, with their captions, tooltips and first states.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QVBoxLayout>
#include <utility>

#include "app/MacroComboBox.h"
#include "app/PageEditor.h"
#include "app/StatusPanel.h"
#include "app/Unit1.h"
#include "find/CheckMacros.h"
#include "ui/HelpForm.h"
#include "ui/Widgets.h"

namespace {

TStatusPanel* StatusText(QWidget* parent, const char* name, const char* tip, int width) {
  auto* t = Named(new TStatusPanel(parent), name, tip);
  t->setAutoFillBackground(false);
  t->setMinimumWidth(width);
  return t;
}

QPushButton* SmallButton(QWidget* parent, const char* name, const char* caption,
                         const char* tip = nullptr) {
  auto* b = Named(new QPushButton(QString::fromLatin1(caption), parent), name, tip);
  b->setFocusPolicy(Qt::TabFocus);
  b->setMinimumWidth(36);
  return b;
}

}  // namespace

void TForm1::BuildControls() {
  auto* central = new QWidget(this);
  central->setObjectName("Form1Client");
  setCentralWidget(central);

  Edit1 = Named(new QLineEdit(QStringLiteral("100000"), central), "Edit1",
                "buffer size (for info, click, then press F1)");
  Edit1->setProperty("helpContext", kHelpBufferSize);
  Edit1->setMaximumWidth(70);
  Edit1->installEventFilter(this);
  // Digits only; the value is checked when the user is done with it.
  Edit1->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,7}")), Edit1));
  connect(Edit1, &QLineEdit::editingFinished, this, &TForm1::Edit1KeyUpChange);
  StaticText1 = StatusText(central, "StaticText1", "current page size", 60);
  StaticText2 = StatusText(central, "StaticText2", "lines in current page", 60);
  StaticText3 = StatusText(central, "StaticText3", "current size of work file", 60);
  StaticText4 = StatusText(central, "StaticText4", "total pages", 40);
  Panel1 = Named(new TStatusPanel(central), "Panel1", "page has been modified, if red");
  Panel1->SetColor(PanelColor::Lime);
  Panel1->setFixedSize(22, 22);
  Panel2 = Named(new TStatusPanel(central), "Panel2", "work file has been modified, if red");
  Panel2->SetColor(PanelColor::Aqua);
  Panel2->setFixedSize(22, 22);
  Panel3 = Named(new TStatusPanel(central), "Panel3", "game count (click to update)");
  Panel3->SetColor(PanelColor::White);
  Panel3->setMinimumWidth(60);
  Edit5 = Named(new QLineEdit(QStringLiteral("1"), central), "Edit5", "current page");
  Edit5->setMaximumWidth(60);  // room for page 10000
  Button8 = SmallButton(central, "Button8", "Go", "go to page typed into \"current page\"");
  Button4 = SmallButton(central, "Button4", "<<", "first page");
  Button2 = SmallButton(central, "Button2", "<", "previous page");
  Button1 = SmallButton(central, "Button1", ">", "next page");
  Button3 = SmallButton(central, "Button3", ">>", "last page");
  Button5 =
      SmallButton(central, "Button5", "Reorg", "reorganize work file (use after large paste)");
  Button9 = SmallButton(central, "Button9", "E&xit");

  Edit3 = Named(new QLineEdit(central), "Edit3", "text to find (F1: Find and Replace)");
  Edit4 =
      Named(new QLineEdit(central), "Edit4", "replacement (double-click: safe mode, Replace off)");
  Button6 = SmallButton(central, "Button6", "Find", "find the text (Ctrl+F)");
  Button7 = SmallButton(central, "Button7", "Replace", "replace the text found (Ctrl+R)");
  CheckBox1 =
      Named(new QCheckBox(QStringLiteral("Whole"), central), "CheckBox1", "match whole words only");
  Label1 = Named(new QLabel(QStringLiteral("words only"), central), "Label1");
  RadioGroup1 = Named(new QGroupBox(QStringLiteral("Find/Replace"), central), "RadioGroup1",
                      "where Find and Replace look");
  auto* scopes = new QHBoxLayout(RadioGroup1);
  scopes->setContentsMargins(4, 0, 4, 0);
  ScopeGroup = new QButtonGroup(RadioGroup1);
  int id = 0;
  for (const char* item : {"in page", "in file", "Find list"}) {
    auto* radio = new QRadioButton(QString::fromLatin1(item), RadioGroup1);
    radio->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(id));
    ScopeGroup->addButton(radio, id++);
    scopes->addWidget(radio);
  }
  ScopeInPage = static_cast<QRadioButton*>(ScopeGroup->button(0));
  ScopeInPage->setChecked(true);
  ComboBox1 = Named(new TMacroComboBox(central), "ComboBox1", "Find & Replace macros");
  ComboBox1->setMinimumWidth(160);
  ComboBox1->addItem(QString());
  for (const TMacro& m : kMacros)
    ComboBox1->addItem(QString::fromLatin1(m.Item.data(), static_cast<qsizetype>(m.Item.size())));
  ComboBox1->addItem(QString());
  ComboBox1->setMaxVisibleItems(static_cast<int>(kMacros.size()) + 2);

  Memo1 = new TPageEditor(central);
  Memo1->setObjectName("Memo1");

  // F1 opens the topic of the control that has the focus (or of its box).
  const std::pair<QWidget*, int> topics[] = {
      {Memo1, kHelpEditor},     {Edit3, kHelpFind},       {Edit4, kHelpFind},
      {Button6, kHelpFind},     {Button7, kHelpFind},     {CheckBox1, kHelpFind},
      {RadioGroup1, kHelpFind}, {ComboBox1, kHelpMacros}, {Edit5, kHelpPaging},
      {Button8, kHelpPaging},   {Button1, kHelpPaging},   {Button2, kHelpPaging},
      {Button3, kHelpPaging},   {Button4, kHelpPaging},   {Button5, kHelpPaging}};
  for (const auto& [widget, context] : topics) widget->setProperty("helpContext", context);

  auto* pageRow = new QHBoxLayout;
  pageRow->addWidget(Edit1);
  pageRow->addWidget(StaticText1);
  pageRow->addWidget(StaticText2);
  pageRow->addWidget(Panel1);
  pageRow->addSpacing(8);
  pageRow->addWidget(StaticText3);
  pageRow->addWidget(StaticText4);
  pageRow->addWidget(Panel2);
  pageRow->addSpacing(8);
  pageRow->addWidget(Panel3);
  pageRow->addStretch();
  pageRow->addWidget(Edit5);
  pageRow->addWidget(Button8);
  for (QPushButton* b : {Button4, Button2, Button1, Button3, Button5, Button9}) {
    pageRow->addWidget(b);
  }
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(Edit3, 2);
  findRow->addWidget(Button6);
  findRow->addWidget(Edit4, 2);
  findRow->addWidget(Button7);
  findRow->addWidget(CheckBox1);
  findRow->addWidget(Label1);
  findRow->addWidget(RadioGroup1);
  findRow->addWidget(ComboBox1, 1);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(pageRow);
  layout->addLayout(findRow);
  layout->addWidget(Memo1, 1);

  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1", "progress of the file operation");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setMaximumWidth(240);
  ProgressBar1->hide();
  statusBar()->addPermanentWidget(ProgressBar1);
  StatusLine = Named(new QLabel(this), "StatusLine",
                     "the counters and panels above, in words (F1: status fields)");
  StatusLine->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(StatusLine, 1);

  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1ClickRight);
  connect(Button2, &QPushButton::clicked, this, &TForm1::Button2ClickLeft);
  connect(Button3, &QPushButton::clicked, this, &TForm1::Button3ClickEnd);
  connect(Button4, &QPushButton::clicked, this, &TForm1::Button4ClickStart);
  connect(Button8, &QPushButton::clicked, this, &TForm1::Button8ClickPage);
  connect(Button5, &QPushButton::clicked, this, &TForm1::Button5ClickReorgBullet);
  connect(Button9, &QPushButton::clicked, this, &TForm1::Exit1Click);
  connect(Edit5, &QLineEdit::returnPressed, this, &TForm1::Button8ClickPage);
  connect(Panel3, &TStatusPanel::clicked, this, &TForm1::Panel3Click);
  connect(Memo1, &QsciScintilla::textChanged, this, &TForm1::Memo1Changed);
  connect(Memo1, &QsciScintilla::modificationChanged, this, &TForm1::Memo1Changed);
  ConnectFindControls();
  ConnectMacroControls();
}

QAction* TForm1::AddItem(QMenu* menu, const char* name, const char* caption, const char* shortcut,
                         std::function<void()> handler, bool enabled) {
  auto* action = new QAction(QString::fromLatin1(caption), this);
  action->setObjectName(QString::fromLatin1(name));
  if (shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
  action->setEnabled(enabled);
  if (handler) connect(action, &QAction::triggered, this, [h = std::move(handler)] { h(); });
  menu->addAction(action);
  return action;
}

void TForm1::BuildMenus() {
  File1 = menuBar()->addMenu(QStringLiteral("&File"));
  File1->setObjectName("File1");
  connect(File1, &QMenu::aboutToShow, this, &TForm1::MenuHeaderClicks);
  New1 = AddItem(File1, "New1", "&New", "Ctrl+N", [this] { New1Click(); });
  Open1 = AddItem(File1, "Open1", "&Open...", "Ctrl+O", [this] { Open1Click(Open1); });
  Browse1 = AddItem(File1, "Browse1", "&Browse...", "Ctrl+B", [this] { Open1Click(Browse1); });
  File1->addSeparator();
  Save1 = AddItem(File1, "Save1", "&Save", "Ctrl+S", [this] { Save1Click(Save1); });
  SaveAs1 = AddItem(File1, "SaveAs1", "Save &As...", nullptr, [this] { Save1Click(SaveAs1); });
  Append1 = AddItem(File1, "Append1", "A&ppend...", nullptr, [this] { Save1Click(Append1); });
  File1->addSeparator();
  OpenPacked1 = AddItem(File1, "OpenPacked1", "Open Pa&cked...", nullptr,
                        [this] { MenuPackedClicks(OpenPacked1); });
  SaveAsPacked1 = AddItem(File1, "SaveAsPacked1", "Save As Pac&ked...", nullptr,
                          [this] { MenuPackedClicks(SaveAsPacked1); });
  File1->addSeparator();
  AddItem(File1, "Exit1", "E&xit", nullptr, [this] { Exit1Click(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName("EditMenu");
  AddItem(edit, "Undo1", "&Undo", "Ctrl+Z", [this] { MenuUndoClick(); });
  AddItem(edit, "Restore1", "Re&store Page", nullptr, [this] { Restore1Click(); });
  edit->addSeparator();
  AddItem(edit, "Cut1", "Cu&t", "Ctrl+X", [this] { Memo1->cut(); });
  AddItem(edit, "Copy1", "&Copy", "Ctrl+C", [this] { Memo1->copy(); });
  AddItem(edit, "Paste1", "&Paste", "Ctrl+V", [this] { Memo1->paste(); });
  PasteLarge1 =
      AddItem(edit, "PasteLarge1", "Paste Lar&ge", nullptr, [this] { MenuPasteLargeClick(); });
  SelectAll1 =
      AddItem(edit, "SelectAll1", "Select A&ll", nullptr, [this] { MenuSelectAllClick(); });
  edit->addSeparator();
  AddPage1 = AddItem(edit, "AddPage1", "&Add Page", "Ctrl+P", [this] { MenuAddPageClick(); });
  edit->addSeparator();
  FindCtrlF1 = AddItem(edit, "FindCtrlF1", "&Find", "Ctrl+F", [this] {
    // Ctrl+F in the editor first takes its selection into the find box.
    if (Memo1->hasFocus() && Memo1->SelLength() > 0) {
      Edit3->setText(BoxShown(Memo1->SelectedText()));
    }
    FindButtonClick();
  });
  ReplaceCtrlR1 =
      AddItem(edit, "ReplaceCtrlR1", "&Replace", "Ctrl+R", [this] { ReplaceButtonClick(); });
  CaseSensitive1 = AddItem(edit, "CaseSensitive1", "Case Se&nsitive", nullptr,
                           [this] { MenuCaseSensitiveClick(); });
  CaseSensitive1->setCheckable(true);

  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  options->setObjectName("Options1");
  ScrollAfterFind1 = AddItem(options, "ScrollAfterFind1", "&Scroll After Find", nullptr,
                             [this] { MenuScrollAfterFindClick(); });
  ScrollAfterFind1->setCheckable(true);
  AddItem(options, "BoardFlutter1", "&Board Flutter", nullptr, [this] { MenuBoardFlutterClick(); });
  Utf8Text1 =
      AddItem(options, "Utf8Text1", "&UTF-8 text", nullptr, [this] { MenuUtf8TextClick(); });
  Utf8Text1->setCheckable(true);

  QMenu* exports = menuBar()->addMenu(QStringLiteral("Ex&port"));
  exports->setObjectName("Export1");
  for (int tag = 1; tag <= kExportEntries; ++tag) {
    const std::string name = "ExportItem" + std::to_string(tag);
    ExportItems[static_cast<size_t>(tag - 1)] =
        AddItem(exports, name.c_str(), DefaultExportTitle(tag).c_str(), nullptr,
                [this, tag] { MenuExportClicks(tag); });
  }
  exports->addSeparator();
  AddItem(exports, "EditExports1", "E&dit Exports", nullptr, [this] { MenuEditExportClick(); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName("Help1");
  Contents1 = AddItem(help, "Contents1", "&Contents", "F1", [this] { Contents1Click(); });
  // F1 is told from a click on the item: the key opens the topic of the control
  // that has the focus.
  Contents1->installEventFilter(this);
  AddItem(help, "Index1", "&Index", nullptr, [this] { Index1Click(); });
  help->addSeparator();
  AddItem(help, "About1", "&About...", nullptr, [this] { About1Click(); });
}
