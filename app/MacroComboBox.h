// The drop-down of the check macros: a combo box that tells when its list opens.
#pragma once

#include <QComboBox>
#include <functional>

class TMacroComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> OnDropDown;

  void showPopup() override {
    if (OnDropDown) OnDropDown();
    QComboBox::showPopup();
  }
};
