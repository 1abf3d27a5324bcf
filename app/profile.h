// The per-user profile: recent files, window placement and the other choices kept between runs.
#pragma once

#include <QSettings>

// Organisation and application of the per-user profile (recent files, window placement).
extern const char kProfileOrganisation[];
extern const char kProfileApplication[];

// The profile, opened afresh for each use.
QSettings UserProfile();
