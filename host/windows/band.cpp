#include "windows/band.h"

namespace hub {

Band::Band(std::string key, std::string caption, BandKind kind)
    : m_key(std::move(key)),
      m_caption(std::move(caption)),
      m_kind(kind),
      m_tools(std::make_shared<ToolCollection>(ToolCollection::Kind::Band, m_key)) {}

Band::~Band() = default;

}  // namespace hub
