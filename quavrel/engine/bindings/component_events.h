#pragma once
// Event types shared by the engine's components. The first argument is the sender; an empty
// event is skipped.

#include <cstdint>
#include <functional>

#include <QString>

class QObject;

using TNotifyEvent = std::function<void(QObject *Sender)>;
using TProcessTrackEvent = std::function<void(QObject *Sender, uint16_t TrackNum)>;
using TProgressEvent = std::function<void(QObject *Sender, uint16_t PercentComplete)>;
using TProcessFileEvent = std::function<void(QObject *Sender, uint16_t Num, const QString &FileName)>;
