#pragma once
// What the system knows of one serial port, and the enumeration of the
// ports it offers now. The enumeration is a seam: the window and kv481 ask
// the system, tests hand in lists of their own.

#include <QList>
#include <QString>
#include <QStringList>

namespace kv {

struct PortInfo
{
    QString entry;        // the port list's entry: the port's name (ttyUSB0, COM3) or a path
    QString device;       // the device it opens (/dev/ttyUSB0, a pseudo-terminal)
    QString description;  // as the system describes it ("FT232R USB UART"); may be empty
    QString manufacturer;
    QString byId;         // the stable name under /dev/serial/by-id (or a folder's by-id/); USB only
    int vendorId = -1;    // USB ids; -1 when the port is not on USB
    int productId = -1;
    QString serialNumber; // the adapter's own serial number, when it has one
    QString location;     // the USB socket and interface it sits on ("1-2.4:1.0"), when known

    bool isUsb() const { return vendorId >= 0 || !byId.isEmpty(); }
    // What stays the same when the adapter comes back under another name:
    // its serial number, or else its ids and the socket it is plugged into;
    // with the interface, as both ports of a two-port adapter share the
    // adapter's serial number and socket. Empty for a port with nothing to
    // tell it by.
    QString identity() const;
    // One line for the port list and the status bar: the entry, then what
    // the system says of it.
    QString label() const;
    // The description and the by-id name, for the status bar.
    QString details() const;

    bool operator==(const PortInfo &o) const;
    bool operator!=(const PortInfo &o) const { return !(*this == o); }
};

class PortEnumerator
{
public:
    virtual ~PortEnumerator();
    virtual QList<PortInfo> ports() = 0;
};

// The serial ports the system registers, with their by-id names and USB
// sockets; then the serial devices linked from each folder given (as the
// meter emulator links its pseudo-terminal, which the system never lists),
// with names from the folder's by-id/ beside them; then each device given
// by path that exists and is not listed yet (its entry is the path as
// given), so that a port named on the command line is seen to come and go.
class SystemPortEnumerator final : public PortEnumerator
{
public:
    explicit SystemPortEnumerator(QStringList folders = {}, bool systemPorts = true, QStringList named = {});
    QList<PortInfo> ports() override;

private:
    QStringList m_folders;
    bool m_systemPorts;
    QStringList m_named;
};

// The ports linked from one folder: every entry that leads to a character
// device (directories and anything else are passed by).
QList<PortInfo> folderPorts(const QString &folder);

// The name under byIdFolder that leads to device (followed to its end);
// empty when none does.
QString byIdNameFor(const QString &device, const QString &byIdFolder);

// The serial number in a by-id name as the system makes them
// ("usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0" gives "A1B2C3D4");
// empty when the name has none.
QString serialFromById(const QString &byId);

// The order kv481 tries ports in: USB adapters (ttyUSB*, ttyACM*) first,
// then everything else (the legacy ttyS* ports last), each group in the
// order given.
QStringList searchOrder(const QStringList &entries);
// The same over what the system says of each port: a port on USB (with USB
// ids or a by-id name, whatever its driver calls it) counts as an adapter.
QStringList searchOrder(const QList<PortInfo> &ports);

} // namespace kv
