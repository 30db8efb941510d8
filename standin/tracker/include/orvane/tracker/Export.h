#pragma once
// Marks the stand-in's own API (control, sources, synthetic performers) as exported from OrvanePluginSDK,
// which builds with hidden visibility.

#define ORVANE_TRACKER_API __attribute__((visibility("default")))
