#include "panel/Artwork.h"

#include <QString>

static void registerArtwork()
{
    Q_INIT_RESOURCE(kv481);
}

namespace kv {

void ensureArtwork()
{
    static const bool done = (registerArtwork(), true);
    (void)done;
}

QVector<QPixmap> loadGlyphs()
{
    ensureArtwork();
    QVector<QPixmap> glyphs;
    glyphs.reserve(25);
    for (int i = 0; i <= 11; ++i)
        glyphs.append(QPixmap(QStringLiteral(":/LCDM%1").arg(i)));
    for (int i = 0; i <= 12; ++i)
        glyphs.append(QPixmap(QStringLiteral(":/LCDS%1").arg(i)));
    return glyphs;
}

} // namespace kv
