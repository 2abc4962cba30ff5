/* The harbor example's traffic from a second DDS implementation (Cyclone DDS), on loopback.
 *
 *   harbor_peer publish <domain> <rounds> <period ms>
 *     Waits up to 5 s for a reader of each topic, then writes <rounds> rounds: per round three
 *     vessel positions, one berth status and one alarm, all values derived from the round number
 *     so that a run can be checked sample by sample. Lingers 1 s so reliable data gets through.
 *   harbor_peer subscribe <domain> <count> <seconds>
 *     Prints "ready", then one line per sample received ("<topic> <member>=<value> ..."), and
 *     exits 0 once <count> samples arrived, 1 when <seconds> passed first.
 */
#include "harbor.h"

#include <dds/dds.h>

#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define VESSELS 3
#define TRACK_MAX 4

static const char* const kDomainConfig =
    "<General><Interfaces><NetworkInterface name=\"lo\" multicast=\"true\"/></Interfaces>"
    "</General><Discovery><ParticipantIndex>auto</ParticipantIndex></Discovery>";
static const char* const kVesselNames[VESSELS] = {"Nordkap", "Alouette", "Marisol"};
static const char* const kWeatherText = "Gusts of 35 kn expected from 16:00";

typedef struct HarborEntities {
  dds_entity_t participant;
  dds_entity_t topics[3]; /* VesselPositions, BerthStatus, PortAlarms */
} HarborEntities;

static void Fail(const char* what, dds_return_t rc) {
  fprintf(stderr, "harbor_peer: %s failed: %s\n", what, dds_strretcode(rc));
  exit(2);
}

static dds_entity_t Checked(dds_entity_t entity, const char* what) {
  if (entity < 0) Fail(what, entity);
  return entity;
}

/* Positions stream best effort; berth states and alarms are reliable and transient local, as
 * examples/qos/harbor_qos.xml declares them. */
static dds_qos_t* TopicQos(int topic) {
  dds_qos_t* qos = dds_create_qos();
  if (topic == 0) {
    dds_qset_reliability(qos, DDS_RELIABILITY_BEST_EFFORT, 0);
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, 1);
  } else {
    dds_qset_reliability(qos, DDS_RELIABILITY_RELIABLE, DDS_SECS(1));
    dds_qset_durability(qos, DDS_DURABILITY_TRANSIENT_LOCAL);
    dds_qset_history(qos, DDS_HISTORY_KEEP_LAST, 4);
  }
  return qos;
}

static HarborEntities CreateEntities(dds_domainid_t domain) {
  HarborEntities e;
  Checked(dds_create_domain(domain, kDomainConfig), "dds_create_domain");
  e.participant = Checked(dds_create_participant(domain, NULL, NULL), "dds_create_participant");
  e.topics[0] = Checked(dds_create_topic(e.participant, &Harbor_VesselPosition_desc, "VesselPositions",
                                         NULL, NULL), "dds_create_topic VesselPositions");
  e.topics[1] = Checked(dds_create_topic(e.participant, &Harbor_BerthStatus_desc, "BerthStatus", NULL, NULL),
                        "dds_create_topic BerthStatus");
  e.topics[2] = Checked(dds_create_topic(e.participant, &Harbor_PortAlarm_desc, "PortAlarms", NULL, NULL),
                        "dds_create_topic PortAlarms");
  return e;
}

static uint32_t Mmsi(int vessel) { return 244660000u + (uint32_t)vessel * 111u; }

static void FillPosition(Harbor_VesselPosition* p, int vessel, int round, Harbor_GeoPoint* track) {
  memset(p, 0, sizeof *p);
  p->mmsi = Mmsi(vessel);
  snprintf(p->name, sizeof p->name, "%s", kVesselNames[vessel]);
  p->position.lat = 51.95 + 0.001 * round + 0.01 * vessel;
  p->position.lon = 4.05 + 0.002 * round;
  p->speed_knots = (float)(8.5 + vessel + 0.25 * round);
  p->heading_deg = (float)(90 * vessel + round);
  p->status = vessel == 2 ? Harbor_MOORED : Harbor_UNDER_WAY;
  uint32_t length = round < TRACK_MAX ? (uint32_t)round : TRACK_MAX;
  for (uint32_t i = 0; i < length; i++) {
    int earlier = round - (int)length + (int)i;
    track[i].lat = 51.95 + 0.001 * earlier + 0.01 * vessel;
    track[i].lon = 4.05 + 0.002 * earlier;
  }
  p->recent_track._maximum = TRACK_MAX;
  p->recent_track._length = length;
  p->recent_track._buffer = track;
  p->recent_track._release = false;
}

static void FillBerth(Harbor_BerthStatus* b, int round) {
  b->berth = (int16_t)(1 + round % 3);
  b->occupied = round % 2 == 0;
  b->vessel_mmsi = b->occupied ? Mmsi(round % VESSELS) : 0;
  b->minutes_to_departure = b->occupied ? 120 - round : -1;
}

static void FillAlarm(Harbor_PortAlarm* a, int round) {
  memset(a, 0, sizeof *a);
  a->alarm_id = (uint32_t)round + 1;
  a->kind = (Harbor_AlarmKind)(round % 3);
  a->detail._d = a->kind;
  if (a->kind == Harbor_COLLISION_RISK) a->detail._u.other_mmsi = Mmsi((round + 1) % VESSELS);
  if (a->kind == Harbor_SPEEDING) a->detail._u.excess_knots = (float)(2.5 + round);
  if (a->kind == Harbor_WEATHER) snprintf(a->detail._u.text, sizeof a->detail._u.text, "%s", kWeatherText);
  a->raised_at_ms = 1764950400000LL + (int64_t)round * 1000;
}

static void WaitForReaders(dds_entity_t writers[3]) {
  for (int waited = 0; waited < 500; waited++) {
    int matched = 0;
    for (int t = 0; t < 3; t++) {
      dds_publication_matched_status_t status;
      if (dds_get_publication_matched_status(writers[t], &status) == DDS_RETCODE_OK &&
          status.current_count > 0)
        matched++;
    }
    if (matched == 3) return;
    dds_sleepfor(DDS_MSECS(10));
  }
  fprintf(stderr, "harbor_peer: not every topic has a reader; publishing anyway\n");
}

static int Publish(dds_domainid_t domain, int rounds, int periodMs) {
  HarborEntities e = CreateEntities(domain);
  dds_entity_t writers[3];
  for (int t = 0; t < 3; t++) {
    dds_qos_t* qos = TopicQos(t);
    writers[t] = Checked(dds_create_writer(e.participant, e.topics[t], qos, NULL), "dds_create_writer");
    dds_delete_qos(qos);
  }
  WaitForReaders(writers);
  for (int round = 0; round < rounds; round++) {
    for (int vessel = 0; vessel < VESSELS; vessel++) {
      Harbor_GeoPoint track[TRACK_MAX];
      Harbor_VesselPosition position;
      FillPosition(&position, vessel, round, track);
      dds_return_t rc = dds_write(writers[0], &position);
      if (rc != DDS_RETCODE_OK) Fail("dds_write VesselPositions", rc);
    }
    Harbor_BerthStatus berth;
    FillBerth(&berth, round);
    dds_return_t rc = dds_write(writers[1], &berth);
    if (rc != DDS_RETCODE_OK) Fail("dds_write BerthStatus", rc);
    Harbor_PortAlarm alarm;
    FillAlarm(&alarm, round);
    rc = dds_write(writers[2], &alarm);
    if (rc != DDS_RETCODE_OK) Fail("dds_write PortAlarms", rc);
    dds_sleepfor(DDS_MSECS(periodMs));
  }
  dds_sleepfor(DDS_SECS(1));
  printf("published %d rounds\n", rounds);
  dds_delete(e.participant);
  return 0;
}

static void PrintSample(int topic, const void* sample) {
  if (topic == 0) {
    const Harbor_VesselPosition* p = sample;
    printf("VesselPositions mmsi=%" PRIu32 " name=%s lat=%.6f lon=%.6f speed_knots=%.2f status=%d track=%" PRIu32 "\n",
           p->mmsi, p->name, p->position.lat, p->position.lon, p->speed_knots, (int)p->status,
           p->recent_track._length);
  } else if (topic == 1) {
    const Harbor_BerthStatus* b = sample;
    printf("BerthStatus berth=%d occupied=%d vessel_mmsi=%" PRIu32 " minutes_to_departure=%" PRId32 "\n",
           (int)b->berth, (int)b->occupied, b->vessel_mmsi, b->minutes_to_departure);
  } else {
    const Harbor_PortAlarm* a = sample;
    printf("PortAlarms alarm_id=%" PRIu32 " kind=%d", a->alarm_id, (int)a->kind);
    if (a->detail._d == Harbor_COLLISION_RISK) printf(" other_mmsi=%" PRIu32, a->detail._u.other_mmsi);
    if (a->detail._d == Harbor_SPEEDING) printf(" excess_knots=%.2f", a->detail._u.excess_knots);
    if (a->detail._d == Harbor_WEATHER) printf(" text=%s", a->detail._u.text);
    printf(" raised_at_ms=%" PRId64 "\n", a->raised_at_ms);
  }
  fflush(stdout);
}

static int Subscribe(dds_domainid_t domain, int count, int seconds) {
  HarborEntities e = CreateEntities(domain);
  dds_entity_t readers[3];
  dds_entity_t waitset = Checked(dds_create_waitset(e.participant), "dds_create_waitset");
  for (int t = 0; t < 3; t++) {
    dds_qos_t* qos = TopicQos(t);
    readers[t] = Checked(dds_create_reader(e.participant, e.topics[t], qos, NULL), "dds_create_reader");
    dds_delete_qos(qos);
    dds_set_status_mask(readers[t], DDS_DATA_AVAILABLE_STATUS);
    dds_waitset_attach(waitset, readers[t], t);
  }
  printf("ready\n");
  fflush(stdout);
  int received = 0;
  dds_time_t deadline = dds_time() + DDS_SECS(seconds);
  while (received < count && dds_time() < deadline) {
    dds_waitset_wait_until(waitset, NULL, 0, deadline);
    for (int t = 0; t < 3; t++) {
      void* samples[1] = {NULL};
      dds_sample_info_t info;
      while (dds_take(readers[t], samples, &info, 1, 1) > 0) {
        if (info.valid_data) {
          PrintSample(t, samples[0]);
          received++;
        }
        dds_return_loan(readers[t], samples, 1);
        samples[0] = NULL;
      }
    }
  }
  printf("received %d\n", received);
  dds_delete(e.participant);
  return received >= count ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 5 && strcmp(argv[1], "publish") == 0)
    return Publish((dds_domainid_t)atoi(argv[2]), atoi(argv[3]), atoi(argv[4]));
  if (argc == 5 && strcmp(argv[1], "subscribe") == 0)
    return Subscribe((dds_domainid_t)atoi(argv[2]), atoi(argv[3]), atoi(argv[4]));
  fprintf(stderr,
          "usage: harbor_peer publish <domain> <rounds> <period ms>\n"
          "       harbor_peer subscribe <domain> <count> <seconds>\n");
  return 2;
}
