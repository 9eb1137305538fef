#include "filepicker/frmfiledialog.h"

frmFileDialog::frmFileDialog(QWidget* parent) : QDialog(parent) {}
frmFileDialog::~frmFileDialog() = default;
