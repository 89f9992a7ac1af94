// Widgets built in code: each gets its objectName (the name tests and the help
// look it up by) and, when given, a tool tip.
#pragma once

#include <QString>

template <class W>
W* Named(W* w, const char* name, const char* tip = nullptr) {
  w->setObjectName(QString::fromLatin1(name));
  if (tip) w->setToolTip(QString::fromLatin1(tip));
  return w;
}
