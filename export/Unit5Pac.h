// The "PGC Packed Options" dialog: the packed file's name and whether it
// exists, the open options (first game, how many) or the save option (Append),
// and the packing library for as long as the dialog lives.
#pragma once

#include <QDialog>
#include <QLibrary>
#include <cstdint>
#include <memory>
#include <string>

#include "export/PackingLibrary.h"
#include "stream/TxStream.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// QLibrary on the library's full path.
class TQtLibraryLoader final : public TPackLibraryLoader {
 public:
  ~TQtLibraryLoader() override { Unload(); }
  bool Load(const std::string& path, TPackEntries& entries) override;
  void Unload() override;

 private:
  QLibrary library_;
};

class TForm5 : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kOpen = 1;
  static constexpr int kSave = 2;

  explicit TForm5(QWidget* parent = nullptr);
  ~TForm5() override;

  // Set by the main window before Run.
  int Mode = 0;
  std::string PackedFileName;
  int32_t BufferSize = kDefaultBufferSize;
  TFStreamTxStr* WorkStream = nullptr;  // save: the window's work file
  std::string TempFileName;             // "~ZolUnt5.tmp" in the work directory
  // After Run: the game the packing library refused (page 0: none), so that
  // the main window can show it.
  int32_t RefusedPage = 0;
  int64_t RefusedOffset = 0;
  std::string LibraryFileName;  // empty: beside the program

  // Loads the library, sets the dialog up for Mode and shows it modally.
  // QDialog::Accepted once the open or save is done.
  int Run();
  // Open: the stream on the temporary file that OK made.
  std::unique_ptr<TFStreamTxStr> TakeOpenedStream() { return std::move(Opened); }

  bool LoadPackingLibrary();
  void ReleasePackingLibrary();
  void OKBtnClick();
  void NameFieldsChanged();
  void RadioGroup1Click();

 protected:
  bool event(QEvent* e) override;

 private:
  void BuildControls();
  bool SetUpForMode();
  void FillNameFields();
  bool ReadSelection(int64_t& start, int64_t& maximum);

  TQtLibraryLoader Loader;
  TPackingLibrary Library{Loader};
  std::unique_ptr<TFStreamTxStr> Opened;
  bool QuietNames = false;

  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QRadioButton* Exists = nullptr;
  QRadioButton* Missing = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
};
