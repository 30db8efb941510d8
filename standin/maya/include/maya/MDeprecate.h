#pragma once
// Deprecation marks as the 2018 headers set them: calling a member marked OPENMAYA_DEPRECATED is a
// -Wdeprecated-declarations warning, so a -Werror build stops there as it does against the devkit.

#define OPENMAYA_DEPRECATED(version, message) [[deprecated(message)]]
