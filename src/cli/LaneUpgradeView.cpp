#include "cli/LaneUpgradeView.h"

#include "errors/ByteText.h"
#include "workflow/VerifiedRadio.h"

void LaneUpgradeView::ShowKitTexts(const std::string& title, const std::string& description) {
    LaneProtocol::Event event;
    event.kind = LaneProtocol::Event::Kind::Kit;
    event.title = title;
    event.text = description;
    channel_.Send(event);
}

void LaneUpgradeView::ShowRadio(const VerifiedRadio& radio) {
    LaneProtocol::Event event;
    event.kind = LaneProtocol::Event::Kind::Radio;
    event.serial = radio.serialText;
    event.release = radio.release;
    event.model = radio.options.modelCode;
    event.identity = ByteText::Hex(radio.identity, "");
    channel_.Send(event);
}
