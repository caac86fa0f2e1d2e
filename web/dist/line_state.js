// The line at a glance: its name, the banner of the ringing call, the hook, the terminal's and
// the outputs' connections, and whether the live feed is up.

import {callerName, element, typeBadge} from './call_view.js';
import {shownCallTime} from './formats.js';
import {say} from './language.js';

const byId = (id) => document.getElementById(id);

// A call read back from the terminal's memory came earlier: it does not ring now.
export const rings = (call) => Boolean(call) && call.source !== 'memory';

function setPill(pill, text, tone) {
  pill.textContent = text;
  pill.className = `pill ${tone}`;
}

function outputText(name, output) {
  const connection = output.connected ? 'output.connected' : 'output.disconnected';
  return output.waiting ? say(`${connection}.waiting`, {output: name, count: output.waiting}) :
    say(connection, {output: name});
}

export class LineState {
  constructor() {
    this.banner = byId('banner');
    this.ringingCall = null;
    this.line = null;
  }

  // A call was reported: the line rings with it now.
  ring(call) {
    this.ringingCall = call;
    byId('banner-who').textContent = callerName(call);
    byId('banner-number').textContent = call.name || call.contact ? call.number_shown : '';
    byId('banner-group').textContent = say('group', {group: call.group});
    byId('banner-type').replaceChildren(typeBadge(call.type));
    const time = byId('banner-time');
    time.textContent = shownCallTime(call);
    time.dateTime = call.time || call.received;
    this.banner.classList.toggle('warn', call.type === 'BLACK');
    this.banner.hidden = false;
  }

  quiet() {
    this.ringingCall = null;
    this.banner.hidden = true;
  }

  // The line's name in the header and the page's title, so that each board of several lines
  // says whose it is.
  name(line) {
    if (!line || line === this.line) return;
    this.line = line;
    byId('line-name').textContent = line;
    byId('line').hidden = false;
    document.title = say('board.line', {line});
  }

  // The state object of the API: the banner stays while the line rings and the receiver is down.
  show(state) {
    this.name(state.line);
    const terminal = state.terminal === 'connected';
    setPill(byId('status-terminal'), say(terminal ? 'terminal.connected' : 'terminal.disconnected'),
        terminal ? 'good' : 'bad');
    setPill(byId('status-hook'), say(state.off_hook ? 'receiver.lifted' : 'receiver.down'),
        state.off_hook ? 'busy' : 'idle');
    const outputs = Object.entries(state.outputs || {}).sort(([a], [b]) => a.localeCompare(b));
    byId('status-outputs').replaceChildren(...outputs.map(([name, output]) => {
      const pill = element('li');
      setPill(pill, outputText(name, output), output.connected ? 'good' : 'bad');
      return pill;
    }));
    if (!state.ringing || state.off_hook) {
      this.quiet();
    } else if (rings(state.last_call) && this.ringingCall?.id !== state.last_call.id) {
      this.ring(state.last_call);
    }
  }

  feed(connected) {
    setPill(byId('status-feed'), say(connected ? 'feed.live' : 'feed.reconnecting'),
        connected ? 'good' : 'bad');
  }
}
