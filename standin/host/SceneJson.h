#pragma once
// The scene as JSON, for scripts and tests: the time slider (current time, playback range, animation range, in
// the UI unit it names), then every DAG node in depth-first order with its full path, type, world matrix (16
// numbers, row by row, translation in the last row, cm) and visibility (its own attribute, and whether it is
// drawn: false when it or an ancestor is hidden).
//   {"time": {"unit": "film", "current": 1, "min": 1, "max": 120, "animationStart": 1, "animationEnd": 200},
//    "nodes": [{"path": "|a|b", "type": "joint", "visibility": true, "visibleInWorld": true,
//               "worldMatrix": [1, 0, ...]}, ...]}

#include <QtCore/QByteArray>

QByteArray sceneJson();
