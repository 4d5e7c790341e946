#pragma once

#include <QSize>
#include <QString>
#include <cstdint>

// What a product line looks like in the window: the main-window title, the About box's title line and
// the start-up picture (a resource path) with its size in pixels.
struct ProductLineLook {
    QString title;
    QString aboutTitle;
    QString picture;
    QSize pictureSize;

    // The look of a product line id; an id outside the table looks like the unknown line, 11.
    static ProductLineLook Of(std::int32_t productLine);
};
