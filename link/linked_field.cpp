// Finding a host link's row, and the two halves of its topic.
#include "linked_field.h"

#include <algorithm>

namespace veskor {

const LinkedFieldLink& LinkOf(LinkedField field) {
    const auto found = std::ranges::find(kLinkedFields, field, &LinkedFieldLink::field);
    // Every enumerator has a row; a value outside the enumeration falls back to the first.
    return found != std::ranges::end(kLinkedFields) ? *found : kLinkedFields[0];
}

std::string_view ApplicationOf(std::string_view linkTopic) {
    return linkTopic.substr(0, linkTopic.find('|'));
}

std::string_view TopicOf(std::string_view linkTopic) {
    const std::size_t bar = linkTopic.find('|');
    return bar == std::string_view::npos ? std::string_view{} : linkTopic.substr(bar + 1);
}

} // namespace veskor
