// The mappings of the alarm groups as the profile keeps them, one line of text per group under
// "AlarmMapping/<group name, %-encoded>"; a group without a line, or with a line that does not
// read, reads by the default mapping.
#pragma once

#include <string>
#include <vector>

#include "alarm_model.h"

// The mappings the profile holds; the groups whose line does not read, when unread is given.
AlarmMappings StoredAlarmMappings(std::vector<std::string>* unread = nullptr);
// Keeps the group's mapping; the default mapping removes the group's line.
void StoreAlarmMapping(const std::string& group, const AlarmMapping& mapping);
