// The shown encoding: Options / UTF-8 text, the guess on open, and the find
// and replacement boxes, which hold text in the encoding the page is shown in.
#include <QAction>
#include <QLineEdit>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "chess/CBrdForm.h"
#include "ui/TextEncoding.h"

void TForm1::MenuUtf8TextClick() {
  // The user's choice is also the default for the files opened after.
  IniValue.Utf8Text = Utf8Text1->isChecked();
  ShowEncoding(IniValue.Utf8Text);
}

void TForm1::ShowEncoding(bool utf8) {
  Memo1->SetUtf8Text(utf8);
  Utf8Text1->setChecked(utf8);
  TChessBoardForm::Utf8Text = utf8;
  SearchOptions.Utf8 = utf8;
  UpdateStatusLine();
}

QString TForm1::BoxShown(const std::string& bytes) const {
  return ShownText(bytes, Memo1->Utf8Text());
}

std::string TForm1::BoxText(const QLineEdit* box) const {
  std::string bytes;
  QString refused;
  TextBytes(box->text(), Memo1->Utf8Text(), bytes, refused);
  return bytes;
}

bool TForm1::BoxesHoldText(bool withReplacement) {
  std::string bytes;
  QString refused;
  if (!TextBytes(Edit3->text(), Memo1->Utf8Text(), bytes, refused)) {
    ShowMessage(RefusedMessage(refused, "the find text", Memo1->Utf8Text()));
    Edit3->setFocus();
    return false;
  }
  if (withReplacement && !TextBytes(Edit4->text(), Memo1->Utf8Text(), bytes, refused)) {
    ShowMessage(RefusedMessage(refused, "the replacement text", Memo1->Utf8Text()));
    Edit4->setFocus();
    return false;
  }
  return true;
}
