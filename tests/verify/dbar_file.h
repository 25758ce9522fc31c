#pragma once
// A dBAR file as the database serves it, built from pressings.

#include "quavrel/engine/verify/accuraterip_database.h"

#include <QByteArray>

inline QByteArray DbarFile(const std::vector<AccurateRipPressing> &Pressings)
{
    QByteArray bytes;
    const auto put32 = [&bytes](uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes.append(static_cast<char>(value >> (8 * i) & 0xFF));
    };
    for (const AccurateRipPressing &pressing : Pressings) {
        bytes.append(static_cast<char>(pressing.Tracks.size()));
        put32(pressing.Id1);
        put32(pressing.Id2);
        put32(pressing.Id3);
        for (const AccurateRipEntry &entry : pressing.Tracks) {
            bytes.append(static_cast<char>(entry.Confidence));
            put32(entry.Checksum);
            put32(entry.Frame450Checksum);
        }
    }
    return bytes;
}
