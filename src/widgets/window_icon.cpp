// own
#include "widgets/window_icon.h"

// Qt
#include <QString>

// Resources of a static library are not registered until asked for.
static void initResources() { Q_INIT_RESOURCE(quillbox); }

namespace quillbox::widgets {

QIcon programIcon()
{
    initResources();
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/quillbox/icons/quillbox-%1.png").arg(size));
    }
    return icon;
}

}  // namespace quillbox::widgets
