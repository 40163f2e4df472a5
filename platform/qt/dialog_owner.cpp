#include "platform/qt/dialog_owner.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

namespace platform {

int execOwnedBy(QDialog* dialog, QWidget* owner) {
    QPointer<QWidget> creator = dialog->parentWidget();
    QWidget* window = owner != nullptr ? owner->window() : nullptr;
    const bool moved = window != nullptr && window != creator;
    if (moved) dialog->setParent(window, dialog->windowFlags());
    const int result = dialog->exec();
    if (moved) dialog->setParent(creator, dialog->windowFlags());
    return result;
}

}  // namespace platform
