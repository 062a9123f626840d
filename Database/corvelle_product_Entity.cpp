#include "Database/corvelle_product_Entity.h"

#include "Database/RecordText.h"

std::string corvelle_product_Entity::attributesShow() const { return RecordText::linesOfPieces(attributes); }
