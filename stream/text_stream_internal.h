// Between the stream layer's files: the start-up of the factory chain adds the text encodings.
#pragma once

void AddTextStreamFactory();
