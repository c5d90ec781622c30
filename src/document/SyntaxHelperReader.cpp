// implemented with the document core
