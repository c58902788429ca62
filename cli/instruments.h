// Finding and opening the instruments from the command line: the same list
// and the same opening as the window's discovery (device/), with a choice of
// one instrument among several of a kind by its path or serial number.
#pragma once

#include "device/devicelink.h"

#include <QList>
#include <QString>

namespace cli {

enum class Kind { Meter, PowerSupply, BootLine, Firmware };

// "meter", "power", "boot", "firmware": the names the commands take.
QString kindName(Kind kind);
// The instrument's model as the window's device labels show it.
QString modelName(Kind kind);
quint16 productId(Kind kind);
// "meter", "power" or "boot" (and "power-supply", "boot-line"); false for
// anything else.
bool parseToolKind(const QString &text, Kind *kind);

struct Instrument {
    Kind kind;
    DeviceEntry entry;
};

// Every instrument of the family listed now, in the order the system lists
// them.
QList<Instrument> findInstruments();

// Which instrument of a kind to take: by path, by serial number, or (both
// empty) the one listed last, as the window takes it.
struct Choice {
    QString path;
    QString serial;
};

// Opens the chosen instrument of `kind` on `link`. Returns 0 when it is
// open, otherwise the exit code (no such instrument, or it cannot be opened)
// with the message saying why in `message`.
int openInstrument(Kind kind, const Choice &choice, DeviceLink &link, QString *message);

// Whether the instrument the link has open is still listed; false once it
// has been unplugged.
bool stillListed(const DeviceLink &link);

// What a user who is not root does to be allowed to open the instruments.
QString udevHint();

} // namespace cli
