// The lamps say in words what their colours say, for those who cannot tell the colours apart and
// for screen readers: as a tool tip and as the lamp's accessible name and description.
#include "gui/TemplateForm.h"
#include "resources/ControlIds.h"
#include "view/BriskView.h"

namespace {

// What a lamp stands for, and its state in a few words.
struct LampWords {
    QString subject, state;
};

} // namespace

void CBriskView::SetLed(int id, Led image) {
    if (HoldFields) {
        HoldLed(id, image); // shown once the capture cycle ends
        return;
    }
    ForgetHeld(id);
    ShowLed(id, image);
}

void CBriskView::ShowLed(int id, Led image) {
    Form->SetImage(id, Leds.Image(image));
    Lamps.insert(id, image);
    DescribeLamp(id);
}

void CBriskView::DescribeLamp(int id) {
    QWidget* lamp = Form->Control(id);
    if (lamp == nullptr || !Lamps.contains(id))
        return;
    const Led led = Lamps.value(id);
    LampWords words;
    QString detail; // after the state, in the description only
    switch (id) {
    case ctl::SerialLed:
        words.subject = QStringLiteral("Serial port");
        if (led == Led::Green) {
            words.state = QStringLiteral("open");
            detail = DeviceName();
        } else if (led == Led::Yellow) {
            words.state = QStringLiteral("receiver disconnected");
            detail = DeviceText();
        } else {
            words.state = QStringLiteral("closed");
        }
        break;
    case ctl::KeyboardLed:
        words.subject = QStringLiteral("Send to app via keyboard");
        words.state = led == Led::Green ? QStringLiteral("on")
                      : led == Led::Red ? QStringLiteral("off")
                                        : QStringLiteral("disabled");
        break;
    case ctl::FileLed:
        words.subject = QStringLiteral("Send to disk file");
        if (led == Led::Green)
            words.state = QStringLiteral("on");
        else if (led == Led::Red)
            words.state = QStringLiteral("off");
        else
            words.state = TargetFileEnabled == 0 ? QStringLiteral("disabled")
                                                 : QStringLiteral("no target file");
        break;
    case ctl::PacketLed:
        words.subject = QStringLiteral("Serial port packet");
        words.state = led == Led::Green    ? QStringLiteral("complete")
                      : led == Led::Yellow ? QStringLiteral("being received")
                      : led == Led::Red    ? QStringLiteral("waiting")
                                           : QStringLiteral("port closed");
        break;
    default:
        return;
    }
    const QString name = words.subject + QStringLiteral(": ") + words.state;
    const QString description = detail.isEmpty() ? name : name + QStringLiteral(", ") + detail;
    if (lamp->accessibleName() != name)
        lamp->setAccessibleName(name);
    if (lamp->accessibleDescription() != description) {
        lamp->setAccessibleDescription(description);
        lamp->setToolTip(description);
    }
}
