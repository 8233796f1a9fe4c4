#pragma once
// The service sends its lists (articles, game files) either as a JSON array
// or as an object whose members are the entries; both read the same way.
#include <json/value.h>

#include <vector>

// The entries of root: the elements of an array in order, or the member
// values of an object in the byte order of their names. False, with no
// entries, for any other root.
bool JsonListItems(const Json::Value& root, std::vector<Json::Value>& items);
