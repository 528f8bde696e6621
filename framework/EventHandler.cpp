// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/EventHandler.h"

#include <utility>

TEventTable::TEventTable(const TEventTable* base, std::vector<TEventEntry> rows) : Base(base), Rows(std::move(rows)) {}

const TEventEntry* TEventTable::Find(unsigned msg, unsigned id) const {
    for (const TEventTable* table = this; table != nullptr; table = table->Base) {
        for (const TEventEntry& row : table->Rows) {
            if (row.Matches(msg, id)) {
                return &row;
            }
        }
    }
    return nullptr;
}

TEventHandler::~TEventHandler() = default;

const TEventTable& TEventHandler::ClassEventTable() {
    static const TEventTable table(nullptr, {});
    return table;
}

TEventMatch TEventHandler::FindEventHandler(unsigned msg, unsigned id) {
    return TEventMatch{this, GetEventTable().Find(msg, id)};
}

bool TEventHandler::Dispatch(TMessage& msg) {
    const TEventMatch match = FindEventHandler(msg.Msg, msg.Id);
    if (!match) {
        return false;
    }
    match.Entry->Handler(*match.Target, msg);
    return true;
}
