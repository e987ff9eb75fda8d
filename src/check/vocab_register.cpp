// vocab_register.cpp: the registration of the built-in vocabularies (data in vocab.cpp) in the name
// lists. Records: none; it writes the name lists through their procedures.
#include "check/names.h"
#include "check/vocab.h"

void names_register_builtin() {
  for (int i = 0; i < vocab_part_count; i++) {
    const VocabPart& part = vocab_parts[i];
    while (names_group_count(part.list) < part.group) {
      if (names_start_group(part.list) != 0) break;
    }
    for (int k = 0; k < part.count; k++) {
      if (part.how == VOCAB_FIND) names_find_or_add(part.list, part.names[k]);
      else names_add(part.list, part.names[k]);
    }
  }
}
