// Dates and times in the reader's locale. A call's time is the gateway's local wall-clock time
// ("2026-03-05T09:07:00+09:00"): it is shown as that wall clock reads, whatever the browser's own
// time zone, so that the page and the gateway's other outputs tell the same time.

import {locale} from './language.js';

const wallClock = (options) => new Intl.DateTimeFormat(locale, {...options, timeZone: 'UTC'});

const callTimes = wallClock({dateStyle: 'medium', timeStyle: 'short'});
const dayShort = wallClock({month: 'numeric', day: 'numeric'});
const dayLong = wallClock({dateStyle: 'full'});
const hourShort = wallClock({hour: 'numeric', hourCycle: 'h23'});
const hourMinute = wallClock({hour: '2-digit', minute: '2-digit', hourCycle: 'h23'});
const momentTime = new Intl.DateTimeFormat(locale, {dateStyle: 'medium', timeStyle: 'medium'});
const localTime = new Intl.DateTimeFormat(locale, {dateStyle: 'medium', timeStyle: 'short'});

// The wall-clock reading of a text "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM...", as a moment whose UTC
// fields are those of the text (any year, also one before 100).
function wallMoment(text) {
  const [year, month, day] = text.slice(0, 10).split('-').map(Number);
  const [hour, minute] = text.length > 10 ? text.slice(11, 16).split(':').map(Number) : [0, 0];
  const moment = new Date(0);
  moment.setUTCFullYear(year, month - 1, day);
  moment.setUTCHours(hour, minute, 0, 0);
  return moment;
}

// A call's time as the terminal's clock read it, or the moment of reception in the browser's
// time when the terminal's fields were no date.
export function shownCallTime(call) {
  return call.time ? callTimes.format(wallMoment(call.time)) :
    localTime.format(new Date(call.received));
}

// "3/5" and "Thursday, March 5, 2026" (in Korean "3. 5." and "2026년 3월 5일 목요일") for a
// day of the log "2026-03-05".
export const shownDay = (date) => dayShort.format(wallMoment(date));
export const shownDate = (date) => dayLong.format(wallMoment(date));

// An hour of the day, 0 to 23, alone ("9", "9시") and as the start or end of a span ("09:00").
export const shownHour = (hour) => hourShort.format(wallMoment(`2000-01-01T${pad(hour)}:00`));
export const shownClock = (hour, minute) =>
  hourMinute.format(wallMoment(`2000-01-01T${pad(hour)}:${pad(minute)}`));

// A moment such as a delivery's acknowledgement ("2026-03-05T00:07:00.214Z"), in the browser's
// time.
export const shownMoment = (text) => momentTime.format(new Date(text));

function pad(value) {
  return String(value).padStart(2, '0');
}
