#include "volume/forms/block_dialog.h"

TBlock::TBlock(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("Block");
    setWindowTitle("Block");
}
