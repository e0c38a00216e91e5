#pragma once

#include <QList>
#include <QUuid>

namespace tolvane {

// `count` fresh random (version 4) UUIDs. They are drawn in one batch because making them one by
// one costs a lock and a generator call each, which dominated classifying a large diff.
QList<QUuid> randomUuids(qsizetype count);

} // namespace tolvane
