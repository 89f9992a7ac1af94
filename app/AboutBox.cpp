#include "app/AboutBox.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/QtDialogs.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("About"));
  auto* name = new QLabel(QString::fromLatin1(kApplicationTitle), this);
  name->setObjectName("ProductName");
  QFont big = name->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  name->setFont(big);
  auto* version = new QLabel(QStringLiteral("Version 1.3"), this);
  version->setObjectName("Version");
  auto* note = new QLabel(QStringLiteral("An editor for large PGN chess game collections"), this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  for (QLabel* l : {name, version, note}) {
    l->setAlignment(Qt::AlignCenter);
    layout->addWidget(l);
  }
  layout->addWidget(ok, 0, Qt::AlignCenter);
  setFixedSize(sizeHint().expandedTo(QSize(320, 160)));
}
