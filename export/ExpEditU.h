// The "Export Edit" dialog: the four export entries, one shown at a time.
// Switching entries, and OK, store the shown fields into the settings record
// at once; Cancel keeps what switching stored.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

#include "settings/Dialogs.h"
#include "settings/Settings.h"

class QButtonGroup;
class QCheckBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeView;

inline constexpr char kExportHelpText[] =
    "Click the \"?\" icon (upper right) then click again on a component.\rAlternatively, click a "
    "control or component, then press F1.";

class TExportEditForm : public QDialog {
  Q_OBJECT

 public:
  explicit TExportEditForm(IniValueRec& settings, QWidget* parent = nullptr);

  // Selects entry n (1..4) as a click on its radio item does.
  void SelectItem(int n);
  int ShownItem() const { return Shown; }
  // DirectoryListBox1's directory.
  const QString& ListDirectory() const { return Directory; }

  void RadioGroup1Click(int n);
  void Edit1OnExit();
  void mBtn4Click();
  void LaunchCheckBoxClick(bool checked);
  void BrowseButtonClick();
  void OKButtonClick();
  void HelpButtonClick();
  // The topic of the control, or of the nearest enclosing one that has one.
  void ShowControlHelp(const QWidget* control);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void StoreShown();
  bool MoveDirectoryList(const QString& dir);

  IniValueRec& Settings;
  int Shown = 0;  // the entry whose fields the edits hold; 0 before the first
  QString Directory;
  TFileDialogRequest OpenDialog1;

  QGroupBox* RadioGroup1 = nullptr;
  QButtonGroup* Items = nullptr;
  std::array<QRadioButton*, kExportEntries> Item{};
  QFileSystemModel* DirectoryModel = nullptr;
  QTreeView* DirectoryListBox1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLabel* ProgramLabel = nullptr;
  QPushButton* Button4 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button5 = nullptr;
};
