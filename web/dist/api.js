// The board's API, as docs/http.md describes it. Paths are relative so that the board also works
// behind a proxy that serves it under a prefix.

export const PAGE_SIZE = 50;

// The filters of the log as query parameters: only those that are set.
export function filterQuery(filters) {
  const query = new URLSearchParams();
  for (const [key, value] of Object.entries(filters)) {
    if (value) query.set(key, value);
  }
  return query;
}

async function getJson(path, query) {
  const text = query && query.toString();
  const response = await fetch(text ? `${path}?${text}` : path, {cache: 'no-store'});
  if (!response.ok) {
    let reason = response.statusText;
    try {
      reason = (await response.json()).error || reason;
    } catch {
      // the body was no JSON: the status text stands
    }
    throw new Error(`${path}: ${response.status} ${reason}`);
  }
  return response.json();
}

export function fetchCalls(filters, before) {
  const query = filterQuery(filters);
  query.set('limit', PAGE_SIZE);
  if (before) query.set('before', before);
  return getJson('api/calls', query);
}

export function csvLink(filters) {
  const text = filterQuery(filters).toString();
  return text ? `api/calls.csv?${text}` : 'api/calls.csv';
}

export const fetchStats = () => getJson('api/stats', new URLSearchParams({days: 30}));
export const fetchState = () => getJson('api/state');
export const eventsUrl = 'api/events';
