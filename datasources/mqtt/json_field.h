#pragma once

// Picks one field out of a JSON message, such as "temperature",
// "sensor.temp" (dots separate nested keys) or "values.0" (a number indexes
// an array).

#include <string>
#include <string_view>

namespace mqtt {

struct JsonFieldResult {
    enum Status { Found, Missing, Invalid } status;
    // Found: the field's value as the text a display draws (a string as
    // its characters in Latin-1, "?" for those beyond; a number, true,
    // false or null as written; an object or an array as its JSON);
    // otherwise what is wrong, to end "a message on ... ".
    std::string text;
};

JsonFieldResult JsonField(std::string_view json, std::string_view path);

} // namespace mqtt
