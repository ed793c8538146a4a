// The table of host links.
#include "linked_field.h"

#include <algorithm>

namespace veskor {

const std::array<LinkedFieldLink, 3> kLinkedFields{{
    {LinkedField::Frequency, "MixW|QSO", "Khz", PanelField::FrequencyText},
    {LinkedField::Azimuth, "MixW|QSO", "Az", PanelField::AzimuthText},
    {LinkedField::Command, "MixW|CAT", "Command", PanelField::CommandText},
}};

const LinkedFieldLink& LinkOf(LinkedField field) {
    const auto found = std::ranges::find(kLinkedFields, field, &LinkedFieldLink::field);
    // Every enumerator has a row; a value outside the enumeration falls back to the first.
    return found != kLinkedFields.end() ? *found : kLinkedFields.front();
}

std::string_view ApplicationOf(std::string_view linkTopic) {
    return linkTopic.substr(0, linkTopic.find('|'));
}

std::string_view TopicOf(std::string_view linkTopic) {
    const std::size_t bar = linkTopic.find('|');
    return bar == std::string_view::npos ? std::string_view{} : linkTopic.substr(bar + 1);
}

} // namespace veskor
