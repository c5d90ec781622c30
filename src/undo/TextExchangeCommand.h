#pragma once

#include "DocumentCommand.h"
#include "TextExchange.h"

#include <vector>

// Texts of records changed (an applied form, a section's membership, a replace): the step holds
// one text per changed field, the one not in the book, and exchanges them back and forth.
class TextExchangeCommand : public DocumentCommand
{
public:
    // `exchanges` were made already: they hold the texts the book held before.
    TextExchangeCommand(CZETbrowserDoc& doc, std::vector<TextExchange> exchanges,
                        std::uint32_t shownId, const QString& text);

    std::uint32_t shownRecord(bool) const override { return m_shownId; }

protected:
    bool undoStep() override;
    bool redoStep() override;

private:
    std::vector<TextExchange> m_exchanges;
    std::uint32_t m_shownId;
};
