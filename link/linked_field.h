// The three host links: which host item each one follows and which panel text it writes.
#pragma once

#include "station_panel.h"

#include <string_view>

namespace veskor {

// The panel texts that the host link writes, in the order start-up opens their links.
enum class LinkedField { Frequency, Azimuth, Command };

struct LinkedFieldLink {
    LinkedField field;
    std::string_view linkTopic; // "application|topic"
    std::string_view item;
    PanelField writes; // the panel text each delivery replaces, its trigger included
};

// One row per field, in start-up order.
inline constexpr LinkedFieldLink kLinkedFields[] = {
    {LinkedField::Frequency, "MixW|QSO", "Khz", PanelField::FrequencyText},
    {LinkedField::Azimuth, "MixW|QSO", "Az", PanelField::AzimuthText},
    {LinkedField::Command, "MixW|CAT", "Command", PanelField::CommandText},
};

const LinkedFieldLink& LinkOf(LinkedField field);

// The two halves of a link topic: the application before the first bar, the topic after it.
// A topic without a bar names the application alone, with an empty topic.
std::string_view ApplicationOf(std::string_view linkTopic);
std::string_view TopicOf(std::string_view linkTopic);

} // namespace veskor
