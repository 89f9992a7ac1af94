// Files dropped on the window: opened as File > Open opens them, the save
// question first.
#include <QDropEvent>
#include <QFileInfo>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>

#include "app/PageEditor.h"
#include "app/Unit1.h"
#include "settings/CTErrorU.h"
#include "ui/TextEncoding.h"

namespace {

// The first local file of a drag, or nothing.
QString DraggedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

// Sits on the window and on the editor's viewport: a dragged file is taken
// there, and any other drag (text moved within the page) goes on as before.
class TFileDropFilter : public QObject {
 public:
  TFileDropFilter(TForm1& form) : QObject(&form), form_(form) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    const QString file = DraggedFile(drop->mimeData());
    if (file.isEmpty()) return false;
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
      // Opened once the drop has ended, so that the questions Open asks do
      // not hold the dragging program.
      TForm1* form = &form_;
      const std::string name = FileNameFromQt(file);
      QMetaObject::invokeMethod(
          form, [form, name] { form->OpenDroppedFile(name); }, Qt::QueuedConnection);
    }
    return true;
  }

 private:
  TForm1& form_;
};

}  // namespace

void TForm1::InstallFileDrop() {
  setAcceptDrops(true);
  auto* filter = new TFileDropFilter(*this);
  installEventFilter(filter);
  Memo1->viewport()->installEventFilter(filter);
}

void TForm1::OpenDroppedFile(const std::string& fileName) {
  if (!QFileInfo(FileNameToQt(fileName)).isFile()) {
    ShowMessage("File '" + fileName + "' does not exist");
    return;
  }
  DroppedFileName = fileName;
  Open1Click(this);
  DroppedFileName.clear();
}
