#pragma once

#include <QString>
#include <QWidget>

namespace storm::qt {

// Builds the widgets of resources/<name>.ui (compiled by uic) under `parent`; nothing for an
// unknown name.
QWidget* buildCompiledLayout(const QString& name, QWidget* parent);

}  // namespace storm::qt
