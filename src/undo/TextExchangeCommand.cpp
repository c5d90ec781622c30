#include "TextExchangeCommand.h"

#include "CZETbrowserDoc.h"

TextExchangeCommand::TextExchangeCommand(CZETbrowserDoc& doc, std::vector<TextExchange> exchanges,
                                         std::uint32_t shownId, const QString& text)
    : DocumentCommand(doc, text), m_exchanges(std::move(exchanges)), m_shownId(shownId)
{}

bool TextExchangeCommand::undoStep()
{
    return m_doc.ExchangeTexts(m_exchanges, true);
}

bool TextExchangeCommand::redoStep()
{
    return m_doc.ExchangeTexts(m_exchanges);
}
