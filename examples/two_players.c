/* Two players of one module rendering at once, one of them from a seek: the first from the
 * song's start, the second from SECONDS in. Each writes its 16-bit stereo frames at 44,100 Hz to
 * a raw file of its own until the song ends.
 *   two_players FILE FIRST.raw SECOND.raw SECONDS
 * Plain C99 against the installed library: `pkg-config --cflags --libs jingle`. */
#include <stdio.h>
#include <stdlib.h>

#include <jingle/jingle.h>

#define RATE 44100
#define CHUNK 1024

static int fail(const char* what, jingle_status status) {
  fprintf(stderr, "two_players: %s: %s\n", what, jingle_status_text(status));
  return 1;
}

int main(int argc, char** argv) {
  jingle_module* module = NULL;
  jingle_player* players[2] = {NULL, NULL};
  FILE* outputs[2] = {NULL, NULL};
  int16_t frames[2 * CHUNK];
  jingle_status status;
  int live = 2;
  int i;
  if (argc != 5) {
    fprintf(stderr, "usage: two_players FILE FIRST.raw SECOND.raw SECONDS\n");
    return 2;
  }
  status = jingle_module_load_file(argv[1], &module);
  if (status != JINGLE_OK) {
    fprintf(stderr, "two_players: %s: %s\n", argv[1], jingle_load_reason());
    return 1;
  }
  for (i = 0; i < 2; ++i) {
    status = jingle_player_create(module, RATE, &players[i]);
    if (status != JINGLE_OK) return fail("player", status);
    outputs[i] = fopen(argv[2 + i], "wb");
    if (outputs[i] == NULL) {
      perror(argv[2 + i]);
      return 1;
    }
  }
  /* The players keep what they need of the module. */
  jingle_module_free(module);

  status = jingle_player_seek_frame(players[1], (int64_t)(atof(argv[4]) * RATE));
  if (status != JINGLE_OK) return fail("seek", status);

  /* Turn by turn, a chunk each, until both have ended. */
  while (live > 0) {
    live = 0;
    for (i = 0; i < 2; ++i) {
      const size_t got = jingle_player_render_s16(players[i], frames, CHUNK);
      if (got > 0) {
        fwrite(frames, sizeof frames[0], 2 * got, outputs[i]);
        ++live;
      }
    }
  }
  for (i = 0; i < 2; ++i) {
    jingle_position position;
    jingle_player_position(players[i], &position, sizeof position);
    printf("player %d: ended at frame %lld, order %d, row %d\n", i + 1, (long long)position.frame,
           (int)position.order, (int)position.row);
    jingle_player_free(players[i]);
    if (fclose(outputs[i]) != 0) {
      perror(argv[2 + i]);
      return 1;
    }
  }
  return 0;
}
