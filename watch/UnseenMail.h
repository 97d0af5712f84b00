#pragma once

#include <QStringList>
#include <optional>

// What a check saw of the mailbox: its count, and the messages' unique ids where the server gives
// them.
struct MailboxSnapshot {
    int count = 0;
    std::optional<QStringList> uids;
};

// How many messages of the mailbox now the previous check did not see: by id where both checks
// have ids, else by how much the count grew. With no previous check, every message is unseen: the
// mail waiting at start is announced once.
int unseenMessages(const std::optional<MailboxSnapshot>& previous, const MailboxSnapshot& now);
