// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes a live media graph inspectable from outside the program: while a graph is
// registered, a picture of it (Graphviz) is kept under GST_DEBUG_DUMP_DOT_DIR, named
// after the registration. Without that variable nothing is written; failures are silent.

#include <QString>

typedef struct _GstElement GstElement;

namespace Platform::GraphInspection {

// Returns a non-zero cookie, or 0 when the graph cannot be registered.
quint32 registerGraph(GstElement* graph, const QString& name);
void revokeGraph(quint32 cookie);
// Rewrites the registered graph's picture; stage only goes into the log.
void snapshot(quint32 cookie, const QString& stage);
// The registered names, in registration order.
QStringList registeredNames();

} // namespace Platform::GraphInspection
