// The table of host links.
#include "linked_field.h"

#include "station_panel.h"

namespace veskor {

const std::array<LinkedFieldLink, 3> kLinkedFields{{
    {LinkedField::Frequency, "MixW|QSO", "Khz", &StationPanel::SetFrequencyText},
    {LinkedField::Azimuth, "MixW|QSO", "Az", &StationPanel::SetAzimuthText},
    {LinkedField::Command, "MixW|CAT", "Command", &StationPanel::SetCommandText},
}};

const LinkedFieldLink& LinkOf(LinkedField field) {
    for (const LinkedFieldLink& link : kLinkedFields) {
        if (link.field == field) {
            return link;
        }
    }
    // Every enumerator has a row; a value outside the enumeration falls back to the first.
    return kLinkedFields.front();
}

std::string_view ApplicationOf(std::string_view linkTopic) {
    return linkTopic.substr(0, linkTopic.find('|'));
}

std::string_view TopicOf(std::string_view linkTopic) {
    const std::size_t bar = linkTopic.find('|');
    return bar == std::string_view::npos ? std::string_view{} : linkTopic.substr(bar + 1);
}

} // namespace veskor
